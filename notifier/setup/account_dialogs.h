#pragma once
// The account dialog ("Mail Account") and its Advanced dialog, which writes
// the port, ID-checking and security keys of a saved account at once.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "settings/notifier_settings.h"
#include "setup/setup_context.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace Ui {
class CAccountDlg;
class CAdvancedDlg;
}  // namespace Ui

namespace corvy::setup {

class CAccountDlg : public QDialog {
    Q_OBJECT
public:
    CAccountDlg(SetupContext& ctx, const settings::AccountSlot& account, QWidget* parent = nullptr);
    ~CAccountDlg() override;

    settings::AccountSlot Account() const;
    void SetAccount(const settings::AccountSlot& account);

    // Opens the Advanced dialog for the saved account named in the dialog.
    void OnAdvanced();

private:
    std::unique_ptr<Ui::CAccountDlg> ui_;
    SetupContext& ctx_;
};

class CAdvancedDlg : public QDialog {
    Q_OBJECT
public:
    CAdvancedDlg(SetupContext& ctx, int accountIndex, const std::string& name,
                 QWidget* parent = nullptr);
    ~CAdvancedDlg() override;

    QSpinBox* Port() const;
    QCheckBox* DisableUidl() const;
    // Writes POP3Port, DisableUIDL, Security and CertificateSHA256 and closes.
    void OnOK();
    // Connects with the chosen security and shows what the server presents;
    // a certificate the system does not trust may be accepted for this
    // account, like a browser's exception.
    void OnCheckCertificate();

    // What the server presented: the result code of connecting (pop3_reply.h),
    // its text and the certificate's fingerprint. Replaceable for tests.
    struct Probe {
        int code = 0;
        std::string text;
        std::string fingerprint;
    };
    std::function<Probe(const std::string& host, int port, int security)> probe;

private:
    void OnSecurityChanged(int security);

    std::unique_ptr<Ui::CAdvancedDlg> ui_;
    SetupContext& ctx_;
    int index_;
    int security_ = 0;
};

}  // namespace corvy::setup
