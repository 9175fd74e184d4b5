#pragma once
// The "Mail Accounts" page of the Setup window: the account list and the
// QuickMail sender with its security and sign-in. The page says where
// passwords are kept (the desktop keyring, or scrambled in the profile).

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "settings/account_list.h"
#include "settings/notifier_settings.h"
#include "setup/setup_context.h"

namespace Ui {
class CCorvyPropPage2;
}

namespace corvy::setup {

class CCorvyPropPage2 : public QWidget {
    Q_OBJECT
public:
    // Shows an account dialog; true when the user pressed OK.
    using AccountDialog = std::function<bool(settings::AccountSlot& account, bool adding)>;

    CCorvyPropPage2(SetupContext& ctx, const settings::AccountSlots& stored,
                    const settings::NotifierSettings& s, QWidget* parent);
    ~CCorvyPropPage2() override;
    void Store(settings::NotifierSettings& s) const;
    // The QuickMail password as typed (saved apart from the settings).
    std::string QuickMailPassword() const;
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
    void OnSecurityChanged(int security);

    std::unique_ptr<Ui::CCorvyPropPage2> ui_;
    SetupContext& ctx_;
    settings::AccountList accounts_;
    AccountDialog accountDialog_;
    int security_ = 0;
};

}  // namespace corvy::setup
