#pragma once
// The options window's context on the running program: the main window's
// texts, settings, sounds and shell.

#include "dialogs/main_window_dialog_context.h"
#include "options/options_context.h"

namespace murmel {

class MainWindowOptionsContext final : public MainWindowDialogContext<OptionsContext> {
public:
    using MainWindowDialogContext::MainWindowDialogContext;

    QStringList BookKindLabels() const override;
    murmel::Settings& Settings() override;
    QString ServerCopy() const override;
    void SetServerCopy(const QString& server) override;
    void ShowError(const QString& text, const QString& title) override;
    QString RunCommand() const override;
    QStringList Drives() const override;
    QString FindAddressBooks(const QString& drive) override;
};

// The openers' one way in: the options window over FORM on page INITIAL_TAB,
// shown modally and unloaded. Nothing happens before the settings exist.
void ShowOptions(frmMM& form, int initialTab);

}  // namespace murmel
