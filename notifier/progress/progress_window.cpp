#include "progress/progress_window.h"

#include <QCoreApplication>

#include "ui_progress_window.h"

namespace corvy {

CProgressWindow::CProgressWindow(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CProgressWindow>()) {
    // The percentage label shows plain text: status texts may carry server lines.
    ui_->setupUi(this);
    connect(ui_->IDCANCEL, &QPushButton::clicked, this, [this] { OnCancel(); });
    Update();
}

CProgressWindow::~CProgressWindow() = default;

int CProgressWindow::Percent(int lower, int upper, int pos) {
    if (upper == lower) {
        return 0;  // an empty range would divide by zero
    }
    const long long p =
        (static_cast<long long>(pos) - lower) * 100 / (static_cast<long long>(upper) - lower);
    return p == 100 ? 100 : static_cast<int>(p % 100);
}

QString CProgressWindow::PercentText() const {
    return ui_->IDC_PROGDLG_PERCENT->text();
}

void CProgressWindow::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CProgressWindow::Update() {
    ui_->IDC_PROGDLG_PROGRESS->setRange(std::min(lower_, upper_), std::max(lower_, upper_));
    ui_->IDC_PROGDLG_PROGRESS->setValue(pos_);
    const QString text = QStringLiteral("%1%").arg(Percent(lower_, upper_, pos_));
    if (ui_->IDC_PROGDLG_PERCENT->text() != text) {
        ui_->IDC_PROGDLG_PERCENT->setText(text);
    }
    Pump();
}

void CProgressWindow::SetRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
    Update();
}

int CProgressWindow::SetPos(int pos) {
    const int old = pos_;
    pos_ = pos;
    Update();
    return old;
}

int CProgressWindow::SetStep(int step) {
    const int old = step_;
    step_ = step;
    Update();
    return old;
}

int CProgressWindow::StepIt() {
    return SetPos(pos_ + step_);
}

int CProgressWindow::OffsetPos(int offset) {
    return SetPos(pos_ + offset);
}

void CProgressWindow::EnableCancel(bool enabled) {
    ui_->IDCANCEL->setEnabled(enabled);
}

void CProgressWindow::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

bool CProgressWindow::CheckCancelButton() {
    Pump();
    const bool was = cancelled_;
    cancelled_ = false;
    return was;
}

}  // namespace corvy
