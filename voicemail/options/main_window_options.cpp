#include "options/main_window_options.h"

#include <QApplication>
#include <QMessageBox>

#include "addressbook/book_search.h"
#include "options/drive_list.h"
#include "options/frm_options.h"
#include "shell/frm_mm.h"

namespace murmel {

QStringList MainWindowOptionsContext::BookKindLabels() const {
    // Read here rather than from the main window's copy: at the first run
    // the window opens before start-up has made that copy.
    return {form_.T("opt0005"), form_.T("opt0006"), form_.T("opt0007"), form_.T("opt0008"),
            form_.T("opt0009"), form_.T("opt0035"), form_.T("opt0036")};
}

Settings& MainWindowOptionsContext::Settings() {
    return *form_.Settings();
}

QString MainWindowOptionsContext::ServerCopy() const {
    return form_.globals().ServerCopy;
}

void MainWindowOptionsContext::SetServerCopy(const QString& server) {
    form_.globals().ServerCopy = server;
}

void MainWindowOptionsContext::ShowError(const QString& text, const QString& title) {
    QMessageBox::critical(QApplication::activeWindow(), title, text, QMessageBox::Ok);
}

QString MainWindowOptionsContext::RunCommand() const {
    // The stored form of the start entry; the settings store turns it into
    // the desktop's autostart entry for this executable.
    return form_.AppPath() + QStringLiteral("\\Murmel.exe 1");
}

QStringList MainWindowOptionsContext::Drives() const {
    return ListDrives();
}

QString MainWindowOptionsContext::FindAddressBooks(const QString& drive) {
    BookSearch search;
    return search.FindAddressBooks(drive);
}

void ShowOptions(frmMM& form, int initialTab) {
    if (form.Settings() == nullptr) {
        return;
    }
    MainWindowOptionsContext context(form);
    ShowOptionsWindow(context, initialTab, &form);
}

}  // namespace murmel
