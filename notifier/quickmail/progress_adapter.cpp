#include "quickmail/progress_adapter.h"

namespace corvy::quickmail {
namespace {

constexpr std::chrono::milliseconds kSlice{10};

}  // namespace

bool ProgressAdapter::Due() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < kSlice) {
        return false;
    }
    last_ = now;
    return true;
}

bool ProgressAdapter::Pump() {
    Flush();
    cancelled_ = window_.CheckCancelButton() || cancelled_;
    return cancelled_;
}

bool ProgressAdapter::CheckCancelButton() {
    if (Due()) {
        Pump();
    }
    const bool was = cancelled_;
    cancelled_ = false;
    return was;
}

void ProgressAdapter::SetRange(int lower, int upper) {
    window_.SetRange(lower, upper);
}

void ProgressAdapter::SetStep(int step) {
    step_ = step;
    window_.SetStep(step);
}

void ProgressAdapter::SetPos(int pos) {
    pos_ = pos;
    window_.SetPos(pos);
}

void ProgressAdapter::StepIt() {
    pos_ += step_;
}

void ProgressAdapter::Flush() {
    if (window_.Pos() != pos_) {
        window_.SetPos(pos_);
    }
}

}  // namespace corvy::quickmail
