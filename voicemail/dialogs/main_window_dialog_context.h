#pragma once
// The part of a dialog's context that every dialog takes alike from the
// running program: the main window's texts, click sound, help page and
// "checked" image. CONTEXT is the dialog's own context interface.

#include "dialogs/dialog_context.h"

namespace murmel {

class frmMM;

QString MainWindowText(const frmMM& form, std::string_view id);
void PlayMainWindowClick(frmMM& form);
void OpenMainWindowHelp(frmMM& form);
QIcon MainWindowCheckedIcon();

template <class Context>
class MainWindowDialogContext : public Context {
public:
    explicit MainWindowDialogContext(frmMM& form) : form_(form) {}

    QString T(std::string_view id) const override { return MainWindowText(form_, id); }
    void PlayClick() override { PlayMainWindowClick(form_); }
    void OpenHelp() override { OpenMainWindowHelp(form_); }
    QIcon CheckedIcon() const override { return MainWindowCheckedIcon(); }

protected:
    frmMM& form_;
};

}  // namespace murmel
