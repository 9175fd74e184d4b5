#include "account_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <chrono>

#include "pop3/pop3_client.h"
#include "ui_account_dlg.h"
#include "ui_advanced_dlg.h"

namespace corvy::setup {

using settings::AccountSlot;

CAccountDlg::CAccountDlg(SetupContext& ctx, const AccountSlot& account, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CAccountDlg>()), ctx_(ctx) {
    ui_->setupUi(this);
    auto* buttons = ui_->buttonBox;
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("cmdHelp"));
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { OpenHelp(ctx_.services, this, ctx_.dataFolder, "setup.htm"); });
    auto* advanced = buttons->addButton(tr("Advanced"), QDialogButtonBox::ActionRole);
    advanced->setObjectName(QStringLiteral("cmdAdvanced"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(advanced, &QPushButton::clicked, this, [this] { OnAdvanced(); });
    SetAccount(account);
}

CAccountDlg::~CAccountDlg() = default;

AccountSlot CAccountDlg::Account() const {
    return {ui_->txtAccountName->text().toStdString(), ui_->txtServerAddress->text().toStdString(),
            ui_->txtUserName->text().toStdString(), ui_->txtPassword->text().toStdString(),
            ui_->chkDisabled->isChecked()};
}

void CAccountDlg::SetAccount(const AccountSlot& account) {
    ui_->txtAccountName->setText(QString::fromStdString(account.name));
    ui_->txtServerAddress->setText(QString::fromStdString(account.server));
    ui_->txtUserName->setText(QString::fromStdString(account.user));
    ui_->txtPassword->setText(QString::fromStdString(account.password));
    ui_->chkDisabled->setChecked(account.disabled);
}

void CAccountDlg::OnAdvanced() {
    const std::string name = ui_->txtAccountName->text().toStdString();
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
    : QDialog(parent), ui_(std::make_unique<Ui::CAdvancedDlg>()), ctx_(ctx), index_(accountIndex) {
    ui_->setupUi(this);
    setWindowTitle(QString::fromStdString("Advanced Settings for " + name));
    security_ = settings::LoadAccountSecurity(ctx.profile, accountIndex);
    ui_->cmbSecurity->setCurrentIndex(security_);
    ui_->txtPOP3Port->setValue(settings::LoadPop3Port(ctx.profile, accountIndex));
    ui_->txtCertificate->setText(
        QString::fromStdString(settings::LoadPinnedCertificate(ctx.profile, accountIndex)));
    ui_->chkDisableUIDL->setChecked(settings::LoadDisableUidl(ctx.profile, accountIndex));
    ui_->buttonBox->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("cmdHelp"));
    probe = [](const std::string& host, int port, int security) {
        pop3::Pop3Options options;
        options.security = static_cast<pop3::Security>(security);
        options.connectTimeout = std::chrono::seconds(15);
        options.readTimeout = std::chrono::seconds(15);
        int code = 0;
        // No credentials: only what the server presents is wanted.
        pop3::CPop3Client client(host, "", "", port, code, nullptr, options);
        return Probe{code, client.ErrorText(code), client.PeerFingerprint()};
    };
    connect(ui_->buttonBox, &QDialogButtonBox::helpRequested, this,
            [this] { OpenHelp(ctx_.services, this, ctx_.dataFolder, "setup.htm"); });
    connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ui_->cmbSecurity, &QComboBox::currentIndexChanged, this,
            [this](int security) { OnSecurityChanged(security); });
    connect(ui_->cmdCheckCertificate, &QPushButton::clicked, this,
            [this] { OnCheckCertificate(); });
}

CAdvancedDlg::~CAdvancedDlg() = default;

QSpinBox* CAdvancedDlg::Port() const {
    return ui_->txtPOP3Port;
}

QCheckBox* CAdvancedDlg::DisableUidl() const {
    return ui_->chkDisableUIDL;
}

void CAdvancedDlg::OnSecurityChanged(int security) {
    // The port follows the choice unless the user set one of their own.
    if (ui_->txtPOP3Port->value() == settings::DefaultPop3Port(security_)) {
        ui_->txtPOP3Port->setValue(settings::DefaultPop3Port(security));
    }
    security_ = security;
}

void CAdvancedDlg::OnCheckCertificate() {
    const std::string host =
        ctx_.profile.GetString(settings::AccountSection(index_), "ServerAddress");
    if (security_ == settings::kSecurityNone) {
        Warn(ctx_, this, "Choose STARTTLS or TLS to check the server's certificate.");
        return;
    }
    const Probe seen = probe(host, ui_->txtPOP3Port->value(), security_);
    if (seen.code == pop3::kCertificateRefused && !seen.fingerprint.empty()) {
        const std::string question = seen.text +
                                     "\n\nAccept this certificate for this account? Do so only "
                                     "if you know the server presents it.";
        if (ctx_.services.MessageBox(this, question, "Corvy", BoxIcon::Exclamation,
                                     BoxButtons::YesNo) == BoxAnswer::Yes) {
            ui_->txtCertificate->setText(QString::fromStdString(seen.fingerprint));
        }
        return;
    }
    if (seen.fingerprint.empty()) {
        Warn(ctx_, this, seen.text);
        return;
    }
    // Trusted by the system: nothing needs to be accepted.
    ui_->txtCertificate->clear();
    ctx_.services.MessageBox(
        this,
        "The certificate of " + host + " is trusted by this system.\nSHA-256: " + seen.fingerprint,
        "Corvy", BoxIcon::Information, BoxButtons::Ok);
}

void CAdvancedDlg::OnOK() {
    const std::string section = settings::AccountSection(index_);
    const std::string typed = ui_->txtCertificate->text().trimmed().toStdString();
    const std::string pin = pop3::NormalizeFingerprint(typed);
    if (!typed.empty() && pin.empty()) {
        Warn(ctx_, this,
             "The accepted certificate must be a SHA-256 fingerprint: 32 bytes in hexadecimal.");
        return;
    }
    ctx_.profile.WriteInt(section, "POP3Port", ui_->txtPOP3Port->value());
    ctx_.profile.WriteInt(section, "DisableUIDL", ui_->chkDisableUIDL->isChecked() ? 1 : 0);
    // Plain accounts keep their sections as they were.
    if (security_ != settings::kSecurityNone || ctx_.profile.Find(section, "Security")) {
        ctx_.profile.WriteInt(section, "Security", security_);
    }
    if (!pin.empty() || ctx_.profile.Find(section, "CertificateSHA256")) {
        ctx_.profile.WriteString(section, "CertificateSHA256", pin);
    }
    accept();
}

}  // namespace corvy::setup
