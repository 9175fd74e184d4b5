#pragma once
// The picker's context on the running program: the main window's texts,
// settings, sounds and shell.

#include <functional>

#include "dialogs/main_window_dialog_context.h"
#include "picker/picker_context.h"

namespace murmel {

class MainWindowPickerContext final : public MainWindowDialogContext<PickerContext> {
public:
    // SHOW_OPTIONS opens the options window on a page; empty, cmdSet only
    // reloads the list.
    MainWindowPickerContext(frmMM& form, std::function<void(int)> showOptions = {})
        : MainWindowDialogContext(form), showOptions_(std::move(showOptions)) {}

    QStringList BookKindLabels() const override;
    QString AddressBook() const override;
    void ShowOptions(int initialTab) override;
    BookRows ImportFromMailClient() override;
    QIcon NoneIcon() const override;

private:
    std::function<void(int)> showOptions_;
};

}  // namespace murmel
