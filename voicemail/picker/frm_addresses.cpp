#include "picker/frm_addresses.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>

#include "addressbook/book_loader.h"
#include "shell/hover_look.h"
#include "shell/window_shape.h"
#include "ui_frm_addresses.h"

namespace murmel {

frmAddresses::frmAddresses(PickerContext& context, QWidget* parent)
    : CheckListDialog(context, parent),
      ui_(std::make_unique<Ui::frmAddresses>()),
      context_(context) {
    ui_->setupUi(this);
    setWindowTitle(context_.T("add0003"));
    ui_->lblToolbar->setText(context_.T("add0003"));
    ui_->cmdOk->setText(context_.T("add0001"));
    ui_->cmdCancel->setText(context_.T("add0002"));
    ui_->cmdSet->setText(context_.T("add0007"));
    InstallHoverLook({ui_->cmdOk, ui_->cmdCancel, ui_->cmdSet, ui_->cmdHelp});
    ColorToolbar(ui_->lblToolbar);
    EnableToolbarDragging(this, ui_->lblToolbar, false);

    QTreeWidget* list = ui_->lvAddresses;
    list->setHeaderLabels({context_.T("add0004") + QStringLiteral("  "),
                           context_.T("add0005") + QStringLiteral("  ")});
    list->setColumnWidth(0, static_cast<int>(list->width() * 0.3));
    list->setColumnWidth(1, static_cast<int>(list->width() * 0.8));
    // The view's own sorting is off: a header click sorts through
    // lvAddresses_ColumnClick alone, and every fill sorts again.
    list->setSortingEnabled(false);
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    list->viewport()->installEventFilter(this);
    connect(list->header(), &QHeaderView::sectionClicked, this,
            &frmAddresses::lvAddresses_ColumnClick);

    connect(ui_->cmdOk, &QPushButton::clicked, this, &frmAddresses::cmdOK_Click);
    connect(ui_->cmdCancel, &QPushButton::clicked, this, &frmAddresses::cmdCancel_Click);
    connect(ui_->cmdSet, &QPushButton::clicked, this, &frmAddresses::cmdSet_Click);
    connect(ui_->cmdHelp, &QPushButton::clicked, this, &frmAddresses::cmdHelp_Click);

    m_LoadAddressBook();
    lvAddresses_ColumnClick(0);
}

frmAddresses::~frmAddresses() = default;

void frmAddresses::m_LoadAddressBook() {
    QTreeWidget* list = ui_->lvAddresses;
    const LoadedBook book = LoadAddressBook(context_.AddressBook(), context_.BookKindLabels(),
                                            [this] { return context_.ImportFromMailClient(); });
    if (book.replacesList) {
        list->clear();
    }
    if (book.unknownKind) {
        auto* row = new QTreeWidgetItem(list, {context_.T("add0006")});
        row->setIcon(0, context_.NoneIcon());
        return;
    }
    for (const BookRow& entry : book.rows) {
        auto* row = new QTreeWidgetItem(list, {entry.name, entry.address});
        SetChecked(row, false);
    }
    sort_.Apply(list);
}

QStringList frmAddresses::CheckedAddresses() const {
    QStringList addresses;
    const QTreeWidget* list = ui_->lvAddresses;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (IsChecked(list->topLevelItem(i))) {
            addresses.append(list->topLevelItem(i)->text(1));
        }
    }
    return addresses;
}

void frmAddresses::lvAddresses_MouseUp(Qt::MouseButton button, const QPoint& position) {
    if (button != Qt::LeftButton) {
        return;
    }
    if (QTreeWidgetItem* row = ui_->lvAddresses->itemAt(position)) {
        SetChecked(row, !IsChecked(row));
    }
}

void frmAddresses::lvAddresses_ColumnClick(int column) {
    sort_.ColumnClick(ui_->lvAddresses, column);
}

void frmAddresses::cmdOK_Click() {
    context_.PlayClick();
    done(QDialog::Accepted);
}

void frmAddresses::cmdCancel_Click() {
    context_.PlayClick();
    QTreeWidget* list = ui_->lvAddresses;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        SetChecked(list->topLevelItem(i), false);
    }
    done(QDialog::Rejected);
}

void frmAddresses::cmdSet_Click() {
    context_.PlayClick();
    context_.ShowOptions(1);
    m_LoadAddressBook();
    ui_->lvAddresses->setFocus();
}

bool frmAddresses::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->lvAddresses->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        lvAddresses_MouseUp(mouse->button(), mouse->position().toPoint());
    }
    return QDialog::eventFilter(watched, event);
}

QString PickRecipients(PickerContext& context, QWidget* parent) {
    frmAddresses picker(context, parent);
    picker.exec();
    return picker.CheckedAddresses().join(QStringLiteral(", "));
}

}  // namespace murmel
