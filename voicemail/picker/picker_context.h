#pragma once
// What the address picker needs of the program around it.

#include <string_view>

#include <QIcon>
#include <QString>
#include <QStringList>

#include "addressbook/book_readers.h"

namespace murmel {

class PickerContext {
public:
    virtual ~PickerContext() = default;
    virtual QString T(std::string_view id) const = 0;
    // The kinds' display names, in kind order.
    virtual QStringList BookKindLabels() const = 0;
    // The AddressBook setting as it is now.
    virtual QString AddressBook() const = 0;
    // The click sound, when sounds are on, without waiting.
    virtual void PlayClick() = 0;
    // Opens the program folder's "htm/startup.htm".
    virtual void OpenHelp() = 0;
    // Shows the options window modally on the given page and unloads it.
    virtual void ShowOptions(int initialTab) = 0;
    // The mail-client import (kind 3); empty when cancelled.
    virtual BookRows ImportFromMailClient() = 0;
    // The image list's "checked" and "none" images.
    virtual QIcon CheckedIcon() const = 0;
    virtual QIcon NoneIcon() const = 0;
};

}  // namespace murmel
