#pragma once
// What the SMTP sender asks of its progress window: Cancel between waits and
// before each piece, the bar while the attachment is read, and a chance to
// keep the interface live during a wait.

namespace corvy::smtp {

class SmtpProgress {
public:
    virtual ~SmtpProgress() = default;
    // Returns and clears the Cancel flag.
    virtual bool CheckCancelButton() = 0;
    // Lets pending events run during a wait; true when Cancel is waiting to
    // be asked for, so the wait can end early.
    virtual bool Pump() = 0;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetStep(int step) = 0;
    virtual void SetPos(int pos) = 0;
    virtual void StepIt() = 0;
};

}  // namespace corvy::smtp
