// The about box, shown only at design time and only inside a widget host.

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "control/http_ctrl.h"

namespace fetchwire {

void CHTTPCtrl::AboutBox() {
    if (!DesignMode() || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("ABOUT_DIALOG"));
    dialog.setWindowTitle(QStringLiteral("About HTTP Control"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("HTTP Control\nVersion 2.0"), &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

}  // namespace fetchwire
