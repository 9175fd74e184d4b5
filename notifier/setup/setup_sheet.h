#pragma once
// The Setup window: three pages (Connection, Mail Accounts, Options) over the
// account slots and the notifier's settings; OK saves them in a fixed order.

#include <QDialog>
#include <QWidget>
#include <memory>

#include "settings/account_list.h"
#include "settings/notifier_settings.h"
#include "setup/connection_page.h"
#include "setup/mail_accounts_page.h"
#include "setup/options_page.h"
#include "setup/setup_context.h"

class QTabWidget;

namespace Ui {
class CCorvyPropSheet;
}

namespace corvy::setup {

class CCorvyPropSheet : public QDialog {
    Q_OBJECT
public:
    CCorvyPropSheet(SetupContext& ctx, const settings::NotifierSettings& current,
                    QWidget* parent = nullptr);
    ~CCorvyPropSheet() override;

    CCorvyPropPage1* Page1() const { return page1_; }
    CCorvyPropPage2* Page2() const { return page2_; }
    CCorvyPropPage3* Page3() const { return page3_; }
    QTabWidget* Tabs() const;

    // Saves everything in order and closes with Accepted.
    void OnOK();
    const settings::NotifierSettings& Result() const { return result_; }

protected:
    // Every way out (OK, Cancel, the close button) keeps the rectangle.
    void done(int result) override;

private:
    std::unique_ptr<Ui::CCorvyPropSheet> ui_;
    SetupContext& ctx_;
    settings::NotifierSettings result_;
    bool runAtStartBefore_;
    CCorvyPropPage1* page1_;
    CCorvyPropPage2* page2_;
    CCorvyPropPage3* page3_;
};

// Shows the Setup window modally; on OK `settings` holds what was saved.
bool RunSetup(SetupContext& ctx, settings::NotifierSettings& settings, QWidget* parent);

}  // namespace corvy::setup
