#pragma once
// The Connection page of Setup: LAN or a dial-up entry with the details
// to dial it, and the rules of automatic checks. The dial-up keys are
// written by the page itself.

#include <QWidget>
#include <memory>

#include "settings/notifier_settings.h"
#include "setup/setup_context.h"

namespace Ui {
class CCorvyPropPage1;
}

namespace corvy::setup {

class CCorvyPropPage1 : public QWidget {
    Q_OBJECT
public:
    CCorvyPropPage1(SetupContext& ctx, const settings::NotifierSettings& s, QWidget* parent);
    ~CCorvyPropPage1() override;

    void Store(settings::NotifierSettings& s) const;
    void OnOK();  // AskBeforeConnecting, UserID, Password, NumberToDial
    void UpdateEnabling();
    // Another entry chosen: its details fill the fields.
    void OnEntryChosen();

private:
    void FillEntries(const std::string& stored);

    SetupContext& ctx_;
    std::unique_ptr<Ui::CCorvyPropPage1> ui_;
};

}  // namespace corvy::setup
