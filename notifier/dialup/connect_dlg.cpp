#include "dialup/connect_dlg.h"

#include "ui_connect_dlg.h"
#include "ui_no_dialup_dlg.h"

namespace corvy::dialup {

CConnectDlg::CConnectDlg(QWidget* parent) : QDialog(parent), ui_(new Ui::CConnectDlg) {
    ui_->setupUi(this);
    connect(ui_->cmdYes, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cmdNo, &QPushButton::clicked, this, &QDialog::reject);
}

CConnectDlg::~CConnectDlg() = default;

bool CConnectDlg::AlwaysAsk() const {
    return ui_->chkAlwaysAsk->isChecked();
}

std::optional<bool> CConnectDlg::Ask() {
    CConnectDlg dlg;
    if (dlg.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dlg.AlwaysAsk();
}

bool ShowNoDialUpNotice() {
    QDialog dlg;
    Ui::CNoDialUpDlg ui;
    ui.setupUi(&dlg);
    dlg.exec();
    return ui.chkDontShow->isChecked();
}

}  // namespace corvy::dialup
