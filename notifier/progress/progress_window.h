#pragma once
// The small modeless progress window of server work: a bar, a percentage
// label and Cancel. Every update pumps pending events so the interface
// stays live; the POP3 client asks it for Cancel between socket waits.

#include <QDialog>
#include <memory>
#include <string>

#include "pop3/pop3_progress.h"

namespace Ui {
class CProgressWindow;
}

namespace corvy {

class CProgressWindow : public QDialog, public pop3::Pop3Progress {
    Q_OBJECT
public:
    explicit CProgressWindow(QWidget* parent = nullptr);
    ~CProgressWindow() override;

    void SetRange(int lower, int upper);
    int SetPos(int pos);  // returns the previous position
    int SetStep(int step);
    int StepIt();
    int OffsetPos(int offset);

    int Pos() const { return pos_; }
    QString PercentText() const;

    // Pop3Progress
    void EnableCancel(bool enabled) override;
    void SetTitle(const std::string& title) override;
    bool CheckCancelButton() override;

    // The Cancel button's handler.
    void OnCancel() { cancelled_ = true; }

    // The percentage shown for a position: 100 stays 100, other values are
    // taken modulo 100; an empty range shows 0.
    static int Percent(int lower, int upper, int pos);

private:
    void Update();
    static void Pump();

    std::unique_ptr<Ui::CProgressWindow> ui_;
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 10;
    int pos_ = 0;
    bool cancelled_ = false;
};

}  // namespace corvy
