#pragma once
// The picker's context on the running program: the main window's texts,
// settings, sounds and shell.

#include <functional>

#include "picker/picker_context.h"

namespace murmel {

class frmMM;

class MainWindowPickerContext final : public PickerContext {
public:
    // SHOW_OPTIONS opens the options window on a page; empty, cmdSet only
    // reloads the list.
    MainWindowPickerContext(frmMM& form, std::function<void(int)> showOptions = {})
        : form_(form), showOptions_(std::move(showOptions)) {}

    QString T(std::string_view id) const override;
    QStringList BookKindLabels() const override;
    QString AddressBook() const override;
    void PlayClick() override;
    void OpenHelp() override;
    void ShowOptions(int initialTab) override;
    BookRows ImportFromMailClient() override;
    QIcon CheckedIcon() const override;
    QIcon NoneIcon() const override;

private:
    frmMM& form_;
    std::function<void(int)> showOptions_;
};

}  // namespace murmel
