#pragma once
// The QuickMail window: one short message with an optional attached file,
// to a recipient typed or picked from the recent addresses, with the
// signature appended, wrapped and sent through the SMTP sender.

// clang-format off
//   CQuickMailDlg dlg(profile, services, {"to@example.org", "Re:Hello", quoted});
//   dlg.exec();
// clang-format on

#include <QDialog>
#include <memory>
#include <string>

#include "profile/profile.h"
#include "services/notifier_services.h"
#include "settings/password_vault.h"

namespace Ui {
class CQuickMailDlg;
}

namespace corvy {

class CProgressWindow;

struct QuickMailPrefill {
    std::string recipient;
    std::string subject;
    std::string text;
};

class CQuickMailDlg : public QDialog {
    Q_OBJECT
public:
    CQuickMailDlg(vantry::profile::Profile& profile, NotifierServices& services,
                  std::string dataFolder, const QuickMailPrefill& prefill = {},
                  QWidget* parent = nullptr);
    ~CQuickMailDlg() override;

    // The send button: wrap, connect, send; closes only on success.
    void OnSend();
    // The "..." button next to "Attach".
    void OnAttach();
    // Close without sending; ignored while a send runs (its Cancel ends it).
    void reject() override;

    // The desktop keyring that holds the QuickMail password, or null.
    void SetPasswordVault(settings::PasswordVault* vault) { vault_ = vault; }

    // The progress window of the send in progress (for Cancel), or null.
    CProgressWindow* Progress() const { return progress_; }

private:
    void Send();
    void OnToChanged(const QString& recipient);
    void LoadRectangle();
    void SaveRectangle();
    void ShowFailure(const std::string& text);

    std::unique_ptr<Ui::CQuickMailDlg> ui_;
    vantry::profile::Profile& profile_;
    NotifierServices& services_;
    std::string dataFolder_;  // installed data: signature and help pages
    CProgressWindow* progress_ = nullptr;
    settings::PasswordVault* vault_ = nullptr;
    // Waits pump events, so Send and Close could run again inside a send.
    bool sending_ = false;
};

}  // namespace corvy
