#include "progress_window.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvy {

CProgressWindow::CProgressWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CProgressWindow"));
    setModal(false);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("IDC_PROGDLG_PROGRESS"));
    bar_->setTextVisible(false);
    bar_->setRange(lower_, upper_);
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);  // status texts may carry server lines
    label_->setObjectName(QStringLiteral("IDC_PROGDLG_PERCENT"));
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("IDCANCEL"));
    connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });
    auto* row = new QHBoxLayout;
    row->addWidget(label_, 1);
    row->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addLayout(row);
    Update();
}

int CProgressWindow::Percent(int lower, int upper, int pos) {
    if (upper == lower) {
        return 0;  // an empty range would divide by zero
    }
    const long long p =
        (static_cast<long long>(pos) - lower) * 100 / (static_cast<long long>(upper) - lower);
    return p == 100 ? 100 : static_cast<int>(p % 100);
}

QString CProgressWindow::PercentText() const {
    return label_->text();
}

void CProgressWindow::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CProgressWindow::Update() {
    bar_->setRange(std::min(lower_, upper_), std::max(lower_, upper_));
    bar_->setValue(pos_);
    const QString text = QStringLiteral("%1%").arg(Percent(lower_, upper_, pos_));
    if (label_->text() != text) {
        label_->setText(text);
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
    cancel_->setEnabled(enabled);
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
