#pragma once
// What the options window needs of the program beyond what every dialog does.

#include "dialogs/dialog_context.h"
#include "settings/settings.h"

namespace murmel {

class OptionsContext : public DialogContext {
public:
    virtual murmel::Settings& Settings() = 0;
    // The program-wide copy of the relay server address.
    virtual QString ServerCopy() const = 0;
    virtual void SetServerCopy(const QString& server) = 0;
    // A critical-error message with an OK button only.
    virtual void ShowError(const QString& text, const QString& title) = 0;
    // The command line the log-on start runs: the program and the argument "1".
    virtual QString RunCommand() const = 0;
    // The drives to search, each a folder with an optional " [label]".
    virtual QStringList Drives() const = 0;
    // The tab-terminated list of the books found on DRIVE.
    virtual QString FindAddressBooks(const QString& drive) = 0;
};

}  // namespace murmel
