#pragma once
// A modal dialog with a list whose rows carry a check mark: Escape cancels as
// the Cancel button does, F1 and the Help button open the help page.

#include <QDialog>

#include "dialogs/dialog_context.h"

class QTreeWidgetItem;

namespace murmel {

class CheckListDialog : public QDialog {
    Q_OBJECT
public:
    // Marks a checked row, as icons alone cannot be compared; a subclass's
    // own roles come after it.
    static constexpr int kCheckedRole = Qt::UserRole + 1;

    explicit CheckListDialog(DialogContext& context, QWidget* parent = nullptr);

    bool IsChecked(const QTreeWidgetItem* row) const;

    virtual void cmdCancel_Click() = 0;
    void cmdHelp_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void SetChecked(QTreeWidgetItem* row, bool checked);

private:
    DialogContext& context_;
};

}  // namespace murmel
