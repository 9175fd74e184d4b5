#include "quickmail/quickmail_dlg.h"

#include <QPushButton>
#include <new>
#include <utility>

#include "progress/progress_window.h"
#include "quickmail/progress_adapter.h"
#include "quickmail/quickmail_text.h"
#include "services/window_rectangle.h"
#include "settings/notifier_settings.h"
#include "smtp/smtp_client.h"
#include "ui_quickmail_dlg.h"

namespace corvy {
namespace {

constexpr const char* kSection = "QuickMail";
constexpr const char* kMailer = "Corvy v3.1a";

// The edit control shows "\n"; the message is written with CR LF.
QString ToWire(const QString& shown) {
    QString text = shown;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\n', QStringLiteral("\r\n"));
}

QString ToShown(const QString& wire) {
    QString text = wire;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

CQuickMailDlg::CQuickMailDlg(vantry::profile::Profile& profile, NotifierServices& services,
                             std::string dataFolder, const QuickMailPrefill& prefill,
                             QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CQuickMailDlg>()),
      profile_(profile),
      services_(services),
      dataFolder_(std::move(dataFolder)) {
    ui_->setupUi(this);
    LoadRectangle();
    for (const std::string& address : quickmail::LoadRecentAddresses(profile_)) {
        ui_->cmbTo->addItem(QString::fromStdString(address));
    }
    const QString text = quickmail::WithSignature(QString::fromStdString(prefill.text),
                                                  quickmail::SignaturePath(dataFolder_));
    ui_->txtText->setPlainText(ToShown(text));
    ui_->cmbTo->setEditText(QString::fromStdString(prefill.recipient));
    ui_->txtSubject->setText(QString::fromStdString(prefill.subject));

    // Only the user's edits and choices retitle the window, not the prefill.
    connect(ui_->cmbTo->lineEdit(), &QLineEdit::textEdited, this, &CQuickMailDlg::OnToChanged);
    connect(ui_->cmbTo, &QComboBox::textActivated, this, &CQuickMailDlg::OnToChanged);
    connect(ui_->cmdAttach, &QPushButton::clicked, this, &CQuickMailDlg::OnAttach);
    connect(ui_->cmdSend, &QPushButton::clicked, this, &CQuickMailDlg::OnSend);
    connect(ui_->cmdClose, &QPushButton::clicked, this, &CQuickMailDlg::reject);
    connect(ui_->cmdHelp, &QPushButton::clicked, this,
            [this] { OpenHelp(services_, this, dataFolder_, "quickmail.htm"); });
}

CQuickMailDlg::~CQuickMailDlg() = default;

void CQuickMailDlg::OnToChanged(const QString& recipient) {
    setWindowTitle(QStringLiteral("Corvy - QuickMail - %1").arg(recipient));
}

void CQuickMailDlg::LoadRectangle() {
    LoadWindowRectangle(*this, profile_, kSection, services_.PlacesWindows());
}

void CQuickMailDlg::SaveRectangle() {
    // Where the compositor places windows only the size is new; the saved
    // position stays for an X11 session.
    SaveWindowRectangle(*this, profile_, kSection, services_.PlacesWindows());
}

void CQuickMailDlg::reject() {
    if (sending_) {
        return;
    }
    SaveRectangle();
    QDialog::reject();
}

void CQuickMailDlg::OnAttach() {
    const std::string path = services_.ChooseFile(this, "Select Attachment", "All Files (*.*)",
                                                  ui_->txtAttach->text().toStdString());
    if (!path.empty()) {
        ui_->txtAttach->setText(QString::fromStdString(path));
    }
}

void CQuickMailDlg::ShowFailure(const std::string& text) {
    services_.MessageBox(this, text, "Corvy", BoxIcon::Exclamation, BoxButtons::Ok);
}

void CQuickMailDlg::OnSend() {
    if (sending_) {
        return;
    }
    sending_ = true;
    Send();
    progress_ = nullptr;
    sending_ = false;
}

void CQuickMailDlg::Send() {
    SaveRectangle();
    const std::string host = profile_.GetString(kSection, "QuickMailHost");
    const std::string name = profile_.GetString(kSection, "QuickMailFrom");
    const std::string address = profile_.GetString(kSection, "QuickMailReply");
    // Port, security and sign-in as Setup keeps them (the port's default
    // follows the security).
    const settings::NotifierSettings saved = settings::LoadNotifierSettings(profile_, true);
    const int port = saved.quickMailPort;
    const std::string recipient = ui_->cmbTo->currentText().toStdString();
    const std::string subject = ui_->txtSubject->text().toStdString();
    const std::string attachment = ui_->txtAttach->text().toStdString();
    if (!recipient.empty()) {
        quickmail::RememberRecipient(profile_, recipient);
    }

    CProgressWindow window(this);
    window.SetTitle("Formatting Text...");
    window.show();
    progress_ = &window;
    quickmail::ProgressAdapter progress(window);
    const QString typed = ToWire(ui_->txtText->toPlainText());
    std::optional<QString> wrapped;
    try {
        wrapped = quickmail::WrapText(typed, progress);
    } catch (const std::bad_alloc&) {
        ShowFailure("Can not allocate DTXT buffer!");
        return;
    }
    if (!wrapped) {
        return;  // cancelled while formatting: nothing to say
    }
    progress.Flush();

    window.SetTitle("Connecting to Host...");
    smtp::SmtpOptions options;
    options.port = static_cast<uint16_t>(port);
    options.security = static_cast<pop3::Security>(saved.quickMailSecurity);
    options.pinnedFingerprint = saved.quickMailCertificate;
    options.user = saved.quickMailUser;
    if (!options.user.empty()) {
        options.password = settings::LoadQuickMailPassword(profile_, vault_);
    }
    int code = smtp::kSuccess;
    smtp::CSmtpClient client(host, kMailer, code, progress, options);
    if (code == smtp::kSuccess) {
        window.SetTitle("Sending Mail...");
        const std::string text = wrapped->toStdString();
        if (attachment.empty()) {
            code = client.SendMail(address, name, subject, recipient, text);
            progress.SetPos(static_cast<int>(typed.size()));  // the bar full
        } else {
            code =
                client.SendMailWithAttachment(address, name, subject, recipient, text, attachment);
        }
    }
    const std::string failure = client.ErrorText(code);
    client.Quit();
    progress_ = nullptr;
    window.close();
    if (code != smtp::kSuccess) {
        ShowFailure(failure);
        return;  // everything typed stays for another try
    }
    ui_->txtText->clear();
    sending_ = false;
    accept();
}

}  // namespace corvy
