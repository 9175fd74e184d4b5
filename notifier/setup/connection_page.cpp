#include "setup/connection_page.h"

#include "settings/password_scramble.h"
#include "ui_connection_page.h"

namespace corvy::setup {

CCorvyPropPage1::CCorvyPropPage1(SetupContext& ctx, const settings::NotifierSettings& s,
                                 QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui_(std::make_unique<Ui::CCorvyPropPage1>()) {
    ui_->setupUi(this);
    const vantry::profile::Profile& p = ctx.profile;
    ui_->chkLAN->setChecked(s.lan);
    ui_->txtDUNUserName->setText(QString::fromStdString(p.GetString("Connection", "UserID")));
    ui_->txtDUNPassword->setText(QString::fromStdString(
        settings::UnscramblePassword(p.GetString("Connection", "Password"))));
    ui_->txtNumberToDial->setText(
        QString::fromStdString(p.GetString("Connection", "NumberToDial")));
    ui_->chkAskBeforeConnecting->setChecked(p.GetInt("Connection", "AskBeforeConnecting", 1) != 0);
    ui_->chkCheckOnlyWhenOnline->setChecked(s.checkOnlyWhenOnline);
    ui_->chkDisconnect->setChecked(s.disconnect);
    FillEntries(s.dun);

    connect(ui_->chkLAN, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(ui_->chkCheckOnlyWhenOnline, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(ui_->cmbDUN, &QComboBox::activated, this, [this] { OnEntryChosen(); });
    UpdateEnabling();
}

CCorvyPropPage1::~CCorvyPropPage1() = default;

void CCorvyPropPage1::FillEntries(const std::string& stored) {
    const QString name = QString::fromStdString(stored);
    if (ctx_.dialUpAvailable && ctx_.dialUp != nullptr) {
        for (const std::string& entry : ctx_.dialUp->ListEntries(ui_->chkLAN->isChecked())) {
            ui_->cmbDUN->addItem(QString::fromStdString(entry));
        }
    }
    // An entry that has gone stays chosen until the user picks another, so
    // opening Setup never changes what is stored.
    if (!name.isEmpty() && ui_->cmbDUN->findText(name) < 0) {
        ui_->cmbDUN->addItem(name);
    }
    ui_->cmbDUN->setCurrentIndex(ui_->cmbDUN->findText(name));
    if (ctx_.dialUpAvailable) {
        OnEntryChosen();
    }
}

void CCorvyPropPage1::OnEntryChosen() {
    if (ctx_.dialUp == nullptr) {
        return;
    }
    dialup::EntryDetails details;
    if (!ctx_.dialUp->LookUpEntry(ui_->cmbDUN->currentText().toStdString(),
                                  ui_->chkLAN->isChecked(), details)) {
        return;
    }
    ui_->txtDUNUserName->setText(QString::fromStdString(details.user));
    ui_->txtDUNPassword->setText(QString::fromStdString(details.password));
    ui_->txtNumberToDial->setText(QString::fromStdString(details.number));
}

void CCorvyPropPage1::UpdateEnabling() {
    // Without dial-up support the machine is on a LAN and nothing here applies.
    ui_->chkLAN->setEnabled(ctx_.dialUpAvailable);
    if (!ctx_.dialUpAvailable) {
        ui_->chkLAN->setChecked(true);
    }
    const bool dialUp = !ui_->chkLAN->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->cmbDUN, ui_->txtDUNUserName, ui_->txtDUNPassword, ui_->txtNumberToDial,
             ui_->chkAskBeforeConnecting, ui_->chkCheckOnlyWhenOnline}) {
        w->setEnabled(dialUp);
    }
    ui_->chkDisconnect->setEnabled(dialUp && !ui_->chkCheckOnlyWhenOnline->isChecked());
}

void CCorvyPropPage1::Store(settings::NotifierSettings& s) const {
    s.lan = ui_->chkLAN->isChecked();
    s.dun = ui_->cmbDUN->currentText().toStdString();
    s.checkOnlyWhenOnline = ui_->chkCheckOnlyWhenOnline->isChecked();
    s.disconnect = ui_->chkDisconnect->isChecked();
}

void CCorvyPropPage1::OnOK() {
    vantry::profile::Profile& p = ctx_.profile;
    p.WriteInt("Connection", "AskBeforeConnecting",
               ui_->chkAskBeforeConnecting->isChecked() ? 1 : 0);
    p.WriteString("Connection", "UserID", ui_->txtDUNUserName->text().toStdString());
    p.WriteString("Connection", "Password",
                  settings::ScramblePassword(ui_->txtDUNPassword->text().toStdString()));
    p.WriteString("Connection", "NumberToDial", ui_->txtNumberToDial->text().toStdString());
}

}  // namespace corvy::setup
