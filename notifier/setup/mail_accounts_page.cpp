#include "setup/mail_accounts_page.h"

#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "settings/data_files.h"
#include "setup/account_dialogs.h"
#include "ui_mail_accounts_page.h"

namespace corvy::setup {

using settings::AccountSlot;
using settings::NotifierSettings;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CCorvyPropPage2::CCorvyPropPage2(SetupContext& ctx, const settings::AccountSlots& stored,
                                 const NotifierSettings& s, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CCorvyPropPage2>()), ctx_(ctx), accounts_(stored) {
    ui_->setupUi(this);
    ui_->txtSMTPServer->setText(Q(s.quickMailHost));
    ui_->txtYourName->setText(Q(s.quickMailFrom));
    ui_->txtEmailAddress->setText(Q(s.quickMailReply));
    security_ = s.quickMailSecurity;
    ui_->cmbSMTPSecurity->setCurrentIndex(security_);
    ui_->txtSMTPPort->setValue(s.quickMailPort);
    ui_->txtSMTPUser->setText(Q(s.quickMailUser));
    ui_->txtSMTPPassword->setText(Q(settings::LoadQuickMailPassword(ctx.profile, ctx.vault)));
    ui_->lblPasswordStore->setText(
        ctx.vault != nullptr
            ? tr("Passwords are kept in the desktop keyring.")
            : tr("No desktop keyring (Secret Service) is running: passwords are kept "
                 "scrambled in the settings file, which does not protect them."));

    accountDialog_ = [this](AccountSlot& account, bool) {
        CAccountDlg dlg(ctx_, account, this);
        if (dlg.exec() != QDialog::Accepted) {
            return false;
        }
        account = dlg.Account();
        return true;
    };
    connect(ui_->cmdAdd, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(ui_->cmdEdit, &QPushButton::clicked, this, [this] { OnEdit(); });
    connect(ui_->cmdDelete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(ui_->lstAccounts, &QListWidget::itemDoubleClicked, this, [this] { OnEdit(); });
    connect(ui_->cmdSignature, &QPushButton::clicked, this, [this] { OnSignature(); });
    connect(ui_->cmbSMTPSecurity, &QComboBox::currentIndexChanged, this,
            [this](int security) { OnSecurityChanged(security); });
    FillList();
}

CCorvyPropPage2::~CCorvyPropPage2() = default;

void CCorvyPropPage2::OnSecurityChanged(int security) {
    // The port follows the choice unless the user set one of their own.
    if (ui_->txtSMTPPort->value() == settings::DefaultSmtpPort(security_)) {
        ui_->txtSMTPPort->setValue(settings::DefaultSmtpPort(security));
    }
    security_ = security;
}

void CCorvyPropPage2::FillList() {
    ui_->lstAccounts->clear();
    for (int i = 0; i < accounts_.Count(); ++i) {
        ui_->lstAccounts->addItem(Q(accounts_.At(i).name));
    }
}

void CCorvyPropPage2::Store(NotifierSettings& s) const {
    s.quickMailHost = ui_->txtSMTPServer->text().toStdString();
    s.quickMailFrom = ui_->txtYourName->text().toStdString();
    s.quickMailReply = ui_->txtEmailAddress->text().toStdString();
    s.quickMailSecurity = security_;
    s.quickMailPort = ui_->txtSMTPPort->value();
    s.quickMailUser = ui_->txtSMTPUser->text().toStdString();
}

std::string CCorvyPropPage2::QuickMailPassword() const {
    return ui_->txtSMTPPassword->text().toStdString();
}

void CCorvyPropPage2::OnAdd() {
    std::string error;
    if (!accounts_.CanAdd(error)) {
        Warn(ctx_, this, error);
        return;
    }
    AccountSlot account;
    if (!accountDialog_(account, true)) {
        return;
    }
    if (!accounts_.Add(account, error)) {
        Warn(ctx_, this, error);
        return;
    }
    ui_->lstAccounts->addItem(Q(account.name));
    ui_->lstAccounts->setCurrentRow(ui_->lstAccounts->count() - 1);
    emit AccountsChanged();
}

void CCorvyPropPage2::OnEdit() {
    const int row = ui_->lstAccounts->currentRow();
    if (row < 0 || row >= accounts_.Count()) {
        return;
    }
    AccountSlot account = accounts_.At(row);
    if (!accountDialog_(account, false)) {
        return;
    }
    std::string error;
    if (!accounts_.Edit(row, account, error)) {
        Warn(ctx_, this, error);
        return;
    }
    ui_->lstAccounts->item(row)->setText(Q(account.name));
    emit AccountsChanged();
}

void CCorvyPropPage2::OnDelete() {
    const int row = ui_->lstAccounts->currentRow();
    if (row < 0 || row >= accounts_.Count()) {
        return;
    }
    const std::string name = accounts_.At(row).name;
    if (ctx_.services.MessageBox(this, "Are you sure you want to delete " + name, "Corvy",
                                 BoxIcon::None, BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    if (!accounts_.Delete(row)) {
        ctx_.services.MessageBox(this, "Unable to delete item.", "Corvy", BoxIcon::None,
                                 BoxButtons::Ok);
        return;
    }
    delete ui_->lstAccounts->takeItem(row);
    emit AccountsChanged();
}

void CCorvyPropPage2::OnSignature() {
    // The user edits a copy in their own folder: the installed data is read-only.
    const std::string own = settings::UserDataFolder() + "/signature.txt";
    std::error_code ec;
    if (!std::filesystem::exists(own, ec)) {
        std::filesystem::create_directories(settings::UserDataFolder(), ec);
        const std::string shipped = ctx_.dataFolder + "/signature.txt";
        if (!std::filesystem::is_regular_file(shipped, ec) ||
            !std::filesystem::copy_file(shipped, own, ec)) {
            std::ofstream(own, std::ios::app);
        }
    }
    if (!ctx_.services.Open(own)) {
        Warn(ctx_, this, "Could not open signature file for editing");
    }
}

}  // namespace corvy::setup
