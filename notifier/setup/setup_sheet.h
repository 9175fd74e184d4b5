#pragma once
// The Setup window: three pages (Connection, Mail Accounts, Options) over the
// account slots and the notifier's settings; OK saves them in a fixed order.

#include <QDialog>
#include <QWidget>
#include <functional>

#include "settings/account_list.h"
#include "settings/notifier_settings.h"
#include "setup/options_page.h"
#include "setup/setup_context.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace corvy::setup {

// Connection: LAN or dial-up; the dial-up keys are written by the page itself.
class CCorvyPropPage1 : public QWidget {
    Q_OBJECT
public:
    CCorvyPropPage1(SetupContext& ctx, const settings::NotifierSettings& s, QWidget* parent);
    void Store(settings::NotifierSettings& s) const;
    void OnOK();  // AskBeforeConnecting, UserID, Password, NumberToDial
    void UpdateEnabling();

private:
    SetupContext& ctx_;
    QCheckBox* lan_;
    QComboBox* dun_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* number_;
    QCheckBox* ask_;
    QCheckBox* onlyWhenOnline_;
    QCheckBox* disconnect_;
};

// Mail Accounts: the account list and the QuickMail sender.
class CCorvyPropPage2 : public QWidget {
    Q_OBJECT
public:
    // Shows an account dialog; true when the user pressed OK.
    using AccountDialog = std::function<bool(settings::AccountSlot& account, bool adding)>;

    CCorvyPropPage2(SetupContext& ctx, const settings::AccountSlots& stored,
                    const settings::NotifierSettings& s, QWidget* parent);
    void Store(settings::NotifierSettings& s) const;
    const settings::AccountList& Accounts() const { return accounts_; }
    void SetAccountDialog(AccountDialog dialog) { accountDialog_ = std::move(dialog); }

    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnSignature();

signals:
    void AccountsChanged();

private:
    void FillList();

    SetupContext& ctx_;
    settings::AccountList accounts_;
    AccountDialog accountDialog_;
    QListWidget* list_;
    QLineEdit* host_;
    QLineEdit* from_;
    QLineEdit* reply_;
};

class CCorvyPropSheet : public QDialog {
    Q_OBJECT
public:
    CCorvyPropSheet(SetupContext& ctx, const settings::NotifierSettings& current,
                    QWidget* parent = nullptr);

    CCorvyPropPage1* Page1() const { return page1_; }
    CCorvyPropPage2* Page2() const { return page2_; }
    CCorvyPropPage3* Page3() const { return page3_; }
    QTabWidget* Tabs() const { return tabs_; }

    // Saves everything in order and closes with Accepted.
    void OnOK();
    const settings::NotifierSettings& Result() const { return result_; }

protected:
    // Every way out (OK, Cancel, the close button) keeps the rectangle.
    void done(int result) override;

private:
    SetupContext& ctx_;
    settings::NotifierSettings result_;
    bool runAtStartBefore_;
    QTabWidget* tabs_;
    CCorvyPropPage1* page1_;
    CCorvyPropPage2* page2_;
    CCorvyPropPage3* page3_;
};

// Shows the Setup window modally; on OK `settings` holds what was saved.
bool RunSetup(SetupContext& ctx, settings::NotifierSettings& settings, QWidget* parent);

}  // namespace corvy::setup
