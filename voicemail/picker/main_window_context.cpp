#include "picker/main_window_context.h"

#include "shell/list_images.h"

#include "addressbook/contact_import.h"
#include "shell/frm_mm.h"

namespace murmel {

QStringList MainWindowPickerContext::BookKindLabels() const {
    // The five kinds the main window reads at start-up, then the two kinds
    // of today's mail programs.
    QStringList labels = form_.globals().BookKindLabels;
    while (labels.size() < 5) {
        labels.append(QString());
    }
    return labels.mid(0, 5) << form_.T("opt0035") << form_.T("opt0036");
}

QString MainWindowPickerContext::AddressBook() const {
    return form_.Settings() ? form_.Settings()->AddressBook() : QString();
}

void MainWindowPickerContext::ShowOptions(int initialTab) {
    if (showOptions_) {
        showOptions_(initialTab);
    }
}

BookRows MainWindowPickerContext::ImportFromMailClient() {
    // No desktop mail client offers this automation here: nothing to list.
    NoMailClient client;
    ContactImport import(client);
    BookRows rows;
    if (import.Load()) {
        for (const cContact& contact : import.Contacts()) {
            rows.push_back({contact.Name, contact.Address, {}});
        }
    }
    return rows;
}

QIcon MainWindowPickerContext::NoneIcon() const {
    return NoneListImage();
}

}  // namespace murmel
