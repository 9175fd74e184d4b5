#pragma once
// What every dialog over an address book needs of the program around it.

#include <string_view>

#include <QIcon>
#include <QString>
#include <QStringList>

namespace murmel {

class DialogContext {
public:
    virtual ~DialogContext() = default;
    virtual QString T(std::string_view id) const = 0;
    // The kinds' display names, in kind order.
    virtual QStringList BookKindLabels() const = 0;
    // The click sound, when sounds are on, without waiting.
    virtual void PlayClick() = 0;
    // Opens the program folder's "htm/startup.htm".
    virtual void OpenHelp() = 0;
    // The image list's "checked" image.
    virtual QIcon CheckedIcon() const = 0;
};

}  // namespace murmel
