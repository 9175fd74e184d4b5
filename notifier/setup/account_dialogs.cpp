#include "account_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace corvy::setup {

using settings::AccountSlot;

CAccountDlg::CAccountDlg(SetupContext& ctx, const AccountSlot& account, QWidget* parent)
    : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("CAccountDlg"));
    setWindowTitle(tr("Mail Account"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("txtAccountName"));
    server_ = new QLineEdit(this);
    server_->setObjectName(QStringLiteral("txtServerAddress"));
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("txtUserName"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("txtPassword"));
    password_->setEchoMode(QLineEdit::Password);
    disabled_ = new QCheckBox(tr("Do not check for mail on this account"), this);
    disabled_->setObjectName(QStringLiteral("chkDisabled"));

    auto* form = new QFormLayout;
    form->addRow(tr("Email Address"), name_);
    form->addRow(tr("Server Address"), server_);
    form->addRow(tr("User Name"), user_);
    form->addRow(tr("Password"), password_);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("cmdHelp"));
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { OpenHelp(ctx_.services, this, ctx_.dataFolder, "setup.htm"); });
    auto* advanced = buttons->addButton(tr("Advanced"), QDialogButtonBox::ActionRole);
    advanced->setObjectName(QStringLiteral("cmdAdvanced"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(advanced, &QPushButton::clicked, this, [this] { OnAdvanced(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(disabled_);
    layout->addWidget(buttons);
    SetAccount(account);
}

AccountSlot CAccountDlg::Account() const {
    return {name_->text().toStdString(), server_->text().toStdString(), user_->text().toStdString(),
            password_->text().toStdString(), disabled_->isChecked()};
}

void CAccountDlg::SetAccount(const AccountSlot& account) {
    name_->setText(QString::fromStdString(account.name));
    server_->setText(QString::fromStdString(account.server));
    user_->setText(QString::fromStdString(account.user));
    password_->setText(QString::fromStdString(account.password));
    disabled_->setChecked(account.disabled);
}

void CAccountDlg::OnAdvanced() {
    const std::string name = name_->text().toStdString();
    // Only an account saved before has a section to hold these keys.
    const int index = settings::FindAccountSection(ctx_.profile, name);
    if (index < 0) {
        Warn(ctx_, this, "Could not find entry " + name);
        return;
    }
    CAdvancedDlg dlg(ctx_, index, name, this);
    dlg.exec();
}

CAdvancedDlg::CAdvancedDlg(SetupContext& ctx, int accountIndex, const std::string& name,
                           QWidget* parent)
    : QDialog(parent), ctx_(ctx), index_(accountIndex) {
    setObjectName(QStringLiteral("CAdvancedDlg"));
    setWindowTitle(QString::fromStdString("Advanced Settings for " + name));
    auto* note =
        new QLabel(tr("Do not change these settings unless you understand what they do."), this);
    note->setWordWrap(true);
    port_ = new QSpinBox(this);
    port_->setObjectName(QStringLiteral("txtPOP3Port"));
    port_->setRange(0, 65535);
    port_->setValue(settings::LoadPop3Port(ctx.profile, accountIndex));
    disableUidl_ = new QCheckBox(tr("Disable ID Checking"), this);
    disableUidl_->setObjectName(QStringLiteral("chkDisableUIDL"));
    disableUidl_->setChecked(settings::LoadDisableUidl(ctx.profile, accountIndex));

    auto* form = new QFormLayout;
    form->addRow(tr("POP3 Port"), port_);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("cmdHelp"));
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { OpenHelp(ctx_.services, this, ctx_.dataFolder, "setup.htm"); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(disableUidl_);
    layout->addWidget(buttons);
}

void CAdvancedDlg::OnOK() {
    const std::string section = settings::AccountSection(index_);
    ctx_.profile.WriteInt(section, "POP3Port", port_->value());
    ctx_.profile.WriteInt(section, "DisableUIDL", disableUidl_->isChecked() ? 1 : 0);
    accept();
}

}  // namespace corvy::setup
