#pragma once
// Answers a modal window that the code under test opens and runs itself: the
// test reads what the window shows and closes it from inside the window's own
// loop.

#include <QApplication>
#include <QTimer>
#include <functional>

namespace corvy::testing {

// Runs `open`; the first modal window of type W that comes up meanwhile goes
// to `answer`, which reads it and closes it. True when one came up.
template <class W>
bool AnswerModal(const std::function<void()>& open, const std::function<void(W&)>& answer) {
    bool answered = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (window != nullptr && !answered) {
            answered = true;
            answer(*window);
        }
    });
    probe.start(0);
    open();
    return answered;
}

}  // namespace corvy::testing
