#include "dialogs/main_window_dialog_context.h"

#include "shell/frm_mm.h"
#include "shell/list_images.h"

namespace murmel {

QString MainWindowText(const frmMM& form, std::string_view id) {
    return form.T(id);
}

void PlayMainWindowClick(frmMM& form) {
    if (form.PlaySoundsEnabled()) {
        form.PlaySound(QStringLiteral("click.wav"));
    }
}

void OpenMainWindowHelp(frmMM& form) {
    if (form.services().shell) {
        form.services().shell->Open(form.AppPath() + QStringLiteral("/htm/startup.htm"),
                                    form.AppPath());
    }
}

QIcon MainWindowCheckedIcon() {
    return CheckedListImage();
}

}  // namespace murmel
