#pragma once
// The options window's context on the running program: the main window's
// texts, settings, sounds and shell.

#include "options/options_context.h"

namespace murmel {

class frmMM;

class MainWindowOptionsContext final : public OptionsContext {
public:
    explicit MainWindowOptionsContext(frmMM& form) : form_(form) {}

    QString T(std::string_view id) const override;
    QStringList BookKindLabels() const override;
    murmel::Settings& Settings() override;
    QString ServerCopy() const override;
    void SetServerCopy(const QString& server) override;
    void PlayClick() override;
    void OpenHelp() override;
    void ShowError(const QString& text, const QString& title) override;
    QIcon CheckedIcon() const override;
    QString RunCommand() const override;
    QStringList Drives() const override;
    QString FindAddressBooks(const QString& drive) override;

private:
    frmMM& form_;
};

// The openers' one way in: the options window over FORM on page INITIAL_TAB,
// shown modally and unloaded. Nothing happens before the settings exist.
void ShowOptions(frmMM& form, int initialTab);

}  // namespace murmel
