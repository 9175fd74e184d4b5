#pragma once
// A progress window for the tests: counts the Cancel questions and answers
// yes to the one numbered `cancelAt` (1 is the first; 0 never).

#include "smtp/smtp_progress.h"

namespace corvy::smtp::testing {

class FakeProgress : public SmtpProgress {
public:
    bool CheckCancelButton() override { return ++questions == cancelAt; }
    bool Pump() override { return false; }
    void SetRange(int lower, int upper) override {
        rangeLower = lower;
        rangeUpper = upper;
    }
    void SetStep(int s) override { step = s; }
    void SetPos(int p) override { pos = p; }
    void StepIt() override { pos += step; }

    int cancelAt = 0;
    int questions = 0;
    int rangeLower = -1;
    int rangeUpper = -1;
    int step = 0;
    int pos = -1;
};

}  // namespace corvy::smtp::testing
