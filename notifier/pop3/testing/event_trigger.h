#pragma once
// Acts from inside the event loop the moment a condition holds. The code
// under test blocks while it pumps events, so a test that must cancel or
// exit while a call really waits checks for that moment on every pass of the
// loop instead of guessing a delay.

#include <QTimer>
#include <functional>

namespace corvy::pop3::testing {

class LoopTrigger {
public:
    // Runs `action` once, on the first pass of the loop at which `ready`
    // returns true.
    LoopTrigger(std::function<bool()> ready, std::function<void()> action);
    LoopTrigger(const LoopTrigger&) = delete;
    LoopTrigger& operator=(const LoopTrigger&) = delete;

    bool Fired() const { return fired_; }

private:
    QTimer timer_;
    bool fired_ = false;
};

}  // namespace corvy::pop3::testing
