#include "dialogs/check_list_dialog.h"

#include <QKeyEvent>
#include <QTreeWidgetItem>

namespace murmel {

CheckListDialog::CheckListDialog(DialogContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {}

bool CheckListDialog::IsChecked(const QTreeWidgetItem* row) const {
    return row != nullptr && row->data(0, kCheckedRole).toBool();
}

void CheckListDialog::SetChecked(QTreeWidgetItem* row, bool checked) {
    row->setData(0, kCheckedRole, checked);
    row->setIcon(0, checked ? context_.CheckedIcon() : QIcon());
}

void CheckListDialog::cmdHelp_Click() {
    context_.PlayClick();
    context_.OpenHelp();
}

void CheckListDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cmdCancel_Click();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        context_.OpenHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace murmel
