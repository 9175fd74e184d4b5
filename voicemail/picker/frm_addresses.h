#pragma once
// frmAddresses, the modal address picker: the user ticks recipients from the
// chosen address book. The caller reads the ticked rows after the modal show
// returns; Cancel removes every tick first, so a cancelled pick yields none.

#include <memory>

#include <QStringList>

#include "dialogs/check_list_dialog.h"
#include "picker/picker_context.h"
#include "shell/header_sort.h"

namespace Ui {
class frmAddresses;
}

class QTreeWidgetItem;

namespace murmel {

class frmAddresses : public CheckListDialog {
    Q_OBJECT
public:
    explicit frmAddresses(PickerContext& context, QWidget* parent = nullptr);
    ~frmAddresses() override;

    Ui::frmAddresses* ui() const { return ui_.get(); }

    // The addresses of the ticked rows, in list order.
    QStringList CheckedAddresses() const;

    void lvAddresses_MouseUp(Qt::MouseButton button, const QPoint& position);
    void lvAddresses_ColumnClick(int column);
    void cmdOK_Click();
    void cmdCancel_Click() override;
    void cmdSet_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void m_LoadAddressBook();

    std::unique_ptr<Ui::frmAddresses> ui_;
    PickerContext& context_;
    // Descending on the first column until the first header click.
    HeaderSort sort_{Qt::DescendingOrder};
};

// Shows the picker modally and returns the ticked addresses joined with
// ", " (empty when none or cancelled), as the To and Cc buttons take them.
QString PickRecipients(PickerContext& context, QWidget* parent);

}  // namespace murmel
