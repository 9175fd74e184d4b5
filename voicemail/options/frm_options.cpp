#include "options/frm_options.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTreeWidget>

#include "addressbook/book_kinds.h"
#include "shell/hover_look.h"
#include "shell/window_shape.h"
#include "ui_frm_options.h"

namespace murmel {

namespace {
// The pages of picOptions.
constexpr int kMailPage = 0;
constexpr int kBookPage = 1;
constexpr int kMiscPage = 2;

// The row's key: the book's path.
constexpr int kKeyRole = CheckListDialog::kCheckedRole + 1;

// The stored values, by index: 0 unchecked, 1 checked, 2 greyed.
constexpr Qt::CheckState kCheckStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};

// A value other than the three leaves the box as it is.
void SetCheckValue(QCheckBox* box, const QString& value) {
    bool ok = false;
    const int state = value.toInt(&ok);
    if (ok && state >= 0 && state <= 2) {
        box->setCheckState(kCheckStates[state]);
    }
}

QString CheckValue(const QCheckBox* box) {
    for (int value = 0; value <= 2; ++value) {
        if (box->checkState() == kCheckStates[value]) {
            return QString::number(value);
        }
    }
    return QStringLiteral("0");
}

// The label's click toggles its box: checked becomes unchecked, anything
// else (greyed too) becomes checked.
void Toggle(QCheckBox* box) {
    box->setCheckState(box->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}
}  // namespace

frmOptions::frmOptions(OptionsContext& context, QWidget* parent)
    : CheckListDialog(context, parent), ui_(std::make_unique<Ui::frmOptions>()), context_(context) {
    ui_->setupUi(this);
    InstallHoverLook({ui_->cmdOk, ui_->cmdCancel, ui_->cmdApply, ui_->cmdMail, ui_->cmdBook,
                      ui_->cmdMisc, ui_->cmdSearch, ui_->cmdHelp, ui_->cmdClose});
    ColorToolbar(ui_->lblToolbar);
    EnableToolbarDragging(this, ui_->lblToolbar, false);

    connect(ui_->cmdMail, &QPushButton::clicked, this, &frmOptions::cmdMail_Click);
    connect(ui_->cmdBook, &QPushButton::clicked, this, &frmOptions::cmdBook_Click);
    connect(ui_->cmdMisc, &QPushButton::clicked, this, &frmOptions::cmdMisc_Click);
    for (QLineEdit* text : {ui_->txtName, ui_->txtOrganization, ui_->txtEmail, ui_->txtCC,
                            ui_->txtNote, ui_->txtServer}) {
        connect(text, &QLineEdit::textChanged, this, &frmOptions::AnyText_Change);
    }
    connect(ui_->chkSounds, &QCheckBox::clicked, this, &frmOptions::chkSounds_Click);
    connect(ui_->chkAutorun, &QCheckBox::clicked, this, &frmOptions::chkAutorun_Click);
    ui_->lblPlayNavigationSounds->installEventFilter(this);
    ui_->lblAutorun->installEventFilter(this);
    connect(ui_->Drive1, &QComboBox::activated, this, &frmOptions::Drive1_Change);
    connect(ui_->cmdSearch, &QPushButton::clicked, this, &frmOptions::cmdSearch_Click);
    connect(ui_->lvBooks, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* row) { lvBooks_ItemClick(row); });
    connect(ui_->lvBooks->header(), &QHeaderView::sectionClicked, this,
            &frmOptions::lvBooks_ColumnClick);
    connect(ui_->cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    connect(ui_->cmdOk, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(ui_->cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(ui_->cmdClose, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(ui_->cmdHelp, &QPushButton::clicked, this, &frmOptions::cmdHelp_Click);
}

frmOptions::~frmOptions() = default;

void frmOptions::SetTexts() {
    struct ButtonText {
        QAbstractButton* button;
        const char* caption;
        const char* tooltip;
    };
    const ButtonText buttons[] = {
        {ui_->cmdOk, "opt0001", "opt0018"},     {ui_->cmdCancel, "opt0002", "opt0019"},
        {ui_->cmdApply, "opt0003", "opt0020"},  {ui_->cmdMail, "opt0012", "opt0015"},
        {ui_->cmdBook, "opt0013", "opt0016"},   {ui_->cmdMisc, "opt0014", "opt0017"},
        {ui_->cmdSearch, "opt0026", "opt0027"},
    };
    for (const ButtonText& text : buttons) {
        text.button->setText(context_.T(text.caption));
        text.button->setToolTip(context_.T(text.tooltip));
    }
    ui_->Label1_0->setText(context_.T("opt0021"));
    ui_->Label1_1->setText(context_.T("opt0022"));
    ui_->Label1_2->setText(context_.T("opt0023"));
    ui_->Label1_3->setText(context_.T("opt0024"));
    ui_->Label1_4->setText(context_.T("opt0025"));
    ui_->lblServer->setText(context_.T("opt0031"));
    ui_->lblPlayNavigationSounds->setText(context_.T("opt0028"));
    ui_->lblAutorun->setText(context_.T("opt0029"));
}

void frmOptions::Form_Load() {
    loading_ = true;
    SetTexts();
    ui_->cmdApply->setEnabled(false);

    Settings& settings = context_.Settings();
    ui_->txtName->setText(settings.MyName());
    ui_->txtOrganization->setText(settings.MyOrganization());
    ui_->txtEmail->setText(settings.MyEmail());
    ui_->txtCC->setText(settings.MyCc());
    ui_->txtNote->setText(settings.MyNote());

    QTreeWidget* list = ui_->lvBooks;
    list->setHeaderLabels({context_.T("opt0010") + QStringLiteral("  "),
                           context_.T("opt0011") + QStringLiteral("  ")});
    list->setColumnWidth(0, static_cast<int>(list->width() * 0.3));
    list->setColumnWidth(1, list->width());
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    sort_.Reset();

    SetCheckValue(ui_->chkSounds, settings.PlaySounds());
    SetCheckValue(ui_->chkAutorun, settings.Autorun());
    ui_->txtServer->setText(context_.ServerCopy());

    ui_->Drive1->clear();
    ui_->Drive1->addItems(context_.Drives());

    RefillBooks();
    switch (initialTab_) {
        case 1:
            cmdBook_Click();
            break;
        case 2:
            cmdMisc_Click();
            break;
        default:
            cmdMail_Click();
            break;
    }
    setWindowTitle(context_.T("opt0004"));
    ui_->lblToolbar->setText(context_.T("opt0004"));
    loading_ = false;
}

void frmOptions::ShowPage(int page) {
    ui_->picOptions->setCurrentIndex(page);
    for (int i = 0; i < ui_->picOptions->count(); ++i) {
        ui_->picOptions->widget(i)->setEnabled(i == page);
    }
}

// Opening a page while the window loads is silent and leaves the focus.
void frmOptions::OpenPage(int page, QWidget* focus) {
    if (!loading_) {
        context_.PlayClick();
    }
    ShowPage(page);
    if (page == kBookPage) {
        RefillBooks();
    }
    if (!loading_) {
        focus->setFocus();
    }
}

void frmOptions::cmdMail_Click() {
    OpenPage(kMailPage, ui_->txtName);
}

void frmOptions::cmdBook_Click() {
    OpenPage(kBookPage, ui_->lvBooks);
}

void frmOptions::cmdMisc_Click() {
    OpenPage(kMiscPage, ui_->chkSounds);
}

void frmOptions::AnyText_Change() {
    if (!loading_) {
        ui_->cmdApply->setEnabled(true);
    }
}

void frmOptions::chkSounds_Click() {
    if (!loading_) {
        context_.PlayClick();
        ui_->cmdApply->setEnabled(true);
    }
}

void frmOptions::chkAutorun_Click() {
    chkSounds_Click();
}

void frmOptions::lblPlayNavigationSounds_Click() {
    context_.PlayClick();
    Toggle(ui_->chkSounds);
    chkSounds_Click();
}

void frmOptions::lblAutorun_Click() {
    context_.PlayClick();
    Toggle(ui_->chkAutorun);
    chkAutorun_Click();
}

void frmOptions::Drive1_Change() {
    context_.PlayClick();
}

void frmOptions::cmdSearch_Click() {
    context_.PlayClick();
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    const QString found = context_.FindAddressBooks(ui_->Drive1->currentText());
    QGuiApplication::restoreOverrideCursor();
    context_.Settings().setKnownAddressBooks(found);
    RefillBooks();
}

void frmOptions::RefillBooks() {
    QTreeWidget* list = ui_->lvBooks;
    list->clear();
    const QString addressBook = context_.Settings().AddressBook();
    const qsizetype tab = addressBook.indexOf(QLatin1Char('\t'));
    const QString current = tab < 0 ? QString() : addressBook.mid(tab + 1);
    const QStringList labels = context_.BookKindLabels();
    for (const QString& path : context_.Settings().KnownAddressBooks().split('\t')) {
        if (path.isEmpty()) {
            break;
        }
        const int kind = static_cast<int>(ClassifyBookPath(path));
        auto* row = new QTreeWidgetItem(
            list, {kind > 0 && kind <= labels.size() ? labels[kind - 1] : QString(), path});
        row->setData(0, kKeyRole, path);
        SetChecked(row, false);
    }
    sort_.Apply(list);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        if (!current.isEmpty() && row->data(0, kKeyRole).toString() == current) {
            list->setCurrentItem(row);
            SetChecked(row, true);
            list->scrollToItem(row);
            break;
        }
    }
}

void frmOptions::lvBooks_ItemClick(QTreeWidgetItem* row) {
    if (loading_ || row == nullptr) {
        return;
    }
    QTreeWidget* list = ui_->lvBooks;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        SetChecked(list->topLevelItem(i), false);
    }
    SetChecked(row, true);
    ui_->cmdApply->setEnabled(true);
}

void frmOptions::lvBooks_ColumnClick(int column) {
    sort_.ColumnClick(ui_->lvBooks, column);
}

bool frmOptions::ValidateAndSave() {
    context_.PlayClick();
    const QString server = ui_->txtServer->text().trimmed();
    ui_->txtServer->setText(server);
    if (server.isEmpty()) {
        context_.ShowError(context_.T("opt0032"), context_.T("opt0033"));
        return false;
    }
    if (!server.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)) {
        context_.ShowError(context_.T("opt0034"), context_.T("opt0033"));
        ui_->txtServer->setText(QStringLiteral("http://") + server);
        return false;
    }
    Settings& settings = context_.Settings();
    settings.setConnectTo(server);
    context_.SetServerCopy(settings.ConnectTo());
    settings.setMyName(ui_->txtName->text());
    settings.setMyOrganization(ui_->txtOrganization->text());
    settings.setMyEmail(ui_->txtEmail->text());
    settings.setMyCc(ui_->txtCC->text());
    settings.setMyNote(ui_->txtNote->text());
    settings.setPlaySounds(CheckValue(ui_->chkSounds));
    settings.setAutorun(CheckValue(ui_->chkAutorun));
    settings.setSetRunAtInitialization(
        settings.Autorun() != QLatin1String("0") ? context_.RunCommand() : QString());
    const QList<QTreeWidgetItem*> selected = ui_->lvBooks->selectedItems();
    settings.setAddressBook(selected.isEmpty()
                                ? QString()
                                : selected.first()->text(0) + QLatin1Char('\t') +
                                      selected.first()->data(0, kKeyRole).toString());
    return true;
}

void frmOptions::cmdApply_Click() {
    if (ValidateAndSave()) {
        ui_->cmdApply->setEnabled(false);
    }
}

void frmOptions::cmdOK_Click() {
    if (ValidateAndSave()) {
        done(QDialog::Accepted);
    }
}

void frmOptions::cmdCancel_Click() {
    context_.PlayClick();
    done(QDialog::Rejected);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == ui_->lblPlayNavigationSounds) {
            lblPlayNavigationSounds_Click();
        } else if (watched == ui_->lblAutorun) {
            lblAutorun_Click();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShowOptionsWindow(OptionsContext& context, int initialTab, QWidget* parent) {
    frmOptions options(context, parent);
    options.setInitialTab(initialTab);
    options.Form_Load();
    options.exec();
}

}  // namespace murmel
