#pragma once
// The account dialog ("Mail Account") and its Advanced dialog, which writes
// the port and ID-checking keys of a saved account at once.

#include <QDialog>

#include "settings/notifier_settings.h"
#include "setup/setup_context.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace corvy::setup {

class CAccountDlg : public QDialog {
    Q_OBJECT
public:
    CAccountDlg(SetupContext& ctx, const settings::AccountSlot& account, QWidget* parent = nullptr);

    settings::AccountSlot Account() const;
    void SetAccount(const settings::AccountSlot& account);

    // Opens the Advanced dialog for the saved account named in the dialog.
    void OnAdvanced();

private:
    SetupContext& ctx_;
    QLineEdit* name_;
    QLineEdit* server_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* disabled_;
};

class CAdvancedDlg : public QDialog {
    Q_OBJECT
public:
    CAdvancedDlg(SetupContext& ctx, int accountIndex, const std::string& name,
                 QWidget* parent = nullptr);

    QSpinBox* Port() const { return port_; }
    QCheckBox* DisableUidl() const { return disableUidl_; }
    // Writes POP3Port and DisableUIDL and closes.
    void OnOK();

private:
    SetupContext& ctx_;
    int index_;
    QSpinBox* port_;
    QCheckBox* disableUidl_;
};

}  // namespace corvy::setup
