#pragma once
// The Setup window's Options page: checking, the new-mail signals, peek
// lines, e-mail program, left-click action and start at log-on. Layout and
// texts live in options_page.ui.

#include <QWidget>
#include <memory>
#include <string>

#include "settings/account_list.h"
#include "settings/notifier_settings.h"
#include "setup/setup_context.h"

class QButtonGroup;

namespace Ui {
class CCorvyPropPage3;
}

namespace corvy::setup {

class CCorvyPropPage3 : public QWidget {
    Q_OBJECT
public:
    CCorvyPropPage3(SetupContext& ctx, const settings::NotifierSettings& s, bool runAtStart,
                    QWidget* parent);
    ~CCorvyPropPage3() override;

    void Store(settings::NotifierSettings& s) const;
    bool RunAtStart() const;
    void FillAccounts(const settings::AccountList& accounts);
    void OnOK();  // RetrieveBodyWithHeaders
    void OnBrowseSound();
    void OnBrowseClient();
    void UpdateEnabling();

private:
    SetupContext& ctx_;
    std::unique_ptr<Ui::CCorvyPropPage3> ui_;
    std::string defaultAccount_;
    QButtonGroup* leftClick_;
};

}  // namespace corvy::setup
