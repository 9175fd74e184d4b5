#pragma once
// What the address picker needs of the program beyond what every dialog does.

#include "addressbook/book_readers.h"
#include "dialogs/dialog_context.h"

namespace murmel {

class PickerContext : public DialogContext {
public:
    // The AddressBook setting as it is now.
    virtual QString AddressBook() const = 0;
    // Shows the options window modally on the given page and unloads it.
    virtual void ShowOptions(int initialTab) = 0;
    // The mail-client import (kind 3); empty when cancelled.
    virtual BookRows ImportFromMailClient() = 0;
    // The image list's "none" image.
    virtual QIcon NoneIcon() const = 0;
};

}  // namespace murmel
