#include "pop3/testing/event_trigger.h"

#include <utility>

namespace corvy::pop3::testing {

LoopTrigger::LoopTrigger(std::function<bool()> ready, std::function<void()> action) {
    // A zero interval is due on every pass of the loop.
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout,
                     [this, ready = std::move(ready), action = std::move(action)] {
                         if (!ready()) {
                             return;
                         }
                         timer_.stop();
                         fired_ = true;
                         action();
                     });
    timer_.start();
}

}  // namespace corvy::pop3::testing
