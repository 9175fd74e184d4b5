#pragma once
// Lets the SMTP sender and the wrapping drive the progress window without
// pumping events for every byte: the window is asked and updated at most
// once per slice, and a Cancel seen while pumping is kept until asked for.

#include <chrono>

#include "progress/progress_window.h"
#include "smtp/smtp_progress.h"

namespace corvy::quickmail {

class ProgressAdapter : public smtp::SmtpProgress {
public:
    explicit ProgressAdapter(CProgressWindow& window) : window_(window) {}

    bool CheckCancelButton() override;
    bool Pump() override;
    void SetRange(int lower, int upper) override;
    void SetStep(int step) override;
    void SetPos(int pos) override;
    void StepIt() override;
    // Shows the position reached so far.
    void Flush();

private:
    bool Due();

    CProgressWindow& window_;
    bool cancelled_ = false;
    int pos_ = 0;
    int step_ = 1;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace corvy::quickmail
