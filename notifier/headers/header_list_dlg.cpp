#include "headers/header_list_dlg.h"

#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QTreeWidget>

#include "headers/message_text.h"
#include "headers/peek_dlg.h"
#include "quickmail/quickmail_dlg.h"
#include "services/window_rectangle.h"
#include "settings/notifier_settings.h"
#include "ui_header_list_dlg.h"

namespace corvy {
namespace {

constexpr const char* kSection = "Headers";
constexpr int kMarkRole = Qt::UserRole;
constexpr int kFileRole = Qt::UserRole + 1;

struct WidthKey {
    const char* key;
    int fallback;
};
// The four visible columns, in column order; Reply To and Msg ID stay hidden.
constexpr WidthKey kWidths[] = {
    {"FromWidth", 125}, {"SubjWidth", 125}, {"DateWidth", 125}, {"SizeWidth", 50}};

}  // namespace

CHeaderListDlg::CHeaderListDlg(HeaderContext& context, const std::string& account, int peekLines,
                               QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CHeaderListDlg>()),
      context_(context),
      peekLines_(peekLines) {
    ui_->setupUi(this);
    // Only one header window is open at a time: any message file still in
    // the folder was left by one that did not close.
    files_.RemoveAll();

    QTreeWidget* list = ui_->lstHeaders;
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { Guarded([this] { OnPeek(); }); });
    connect(list, &QWidget::customContextMenuRequested, this, [this] {
        if (!busy_) {
            BuildContextMenu()->exec(QCursor::pos());
        }
    });
    connect(ui_->cmdPeek, &QPushButton::clicked, this, [this] { Guarded([this] { OnPeek(); }); });
    connect(ui_->cmdReply, &QPushButton::clicked, this, [this] { Guarded([this] { OnReply(); }); });
    connect(ui_->cmdDelete, &QPushButton::clicked, this,
            [this] { Guarded([this] { OnDelete(); }); });
    connect(ui_->cmdUndelete, &QPushButton::clicked, this,
            [this] { Guarded([this] { OnUndelete(); }); });
    connect(ui_->cmdRefresh, &QPushButton::clicked, this, [this] { OnRefresh(); });
    connect(ui_->cmdClose, &QPushButton::clicked, this, &CHeaderListDlg::reject);
    connect(ui_->cmdHelp, &QPushButton::clicked, this,
            [this] { OpenHelp(context_.services, this, context_.dataFolder, "headers.htm"); });
    connect(ui_->cmbAccount, &QComboBox::activated, this, [this] { OnAccountChanged(); });

    std::string requested = account;
    for (const std::string& name :
         settings::ListedAccountNames(settings::LoadAccountSlots(context_.profile))) {
        if (name.empty()) {
            break;
        }
        ui_->cmbAccount->addItem(QString::fromStdString(name));
    }
    if (requested.empty() && ui_->cmbAccount->count() > 0) {
        requested = ui_->cmbAccount->itemText(0).toStdString();
    }
    ui_->cmbAccount->setCurrentIndex(ui_->cmbAccount->findText(QString::fromStdString(requested)));
    LoadAccount(requested);
}

CHeaderListDlg::~CHeaderListDlg() {
    ClearList();  // never leaves a message file behind
}

bool CHeaderListDlg::Start() {
    withBodies_ = context_.profile.GetInt("Options", "RetrieveBodyWithHeaders", 1) != 0;
    LoadWindowRectangle(*this, context_.profile, kSection, context_.services.PlacesWindows());
    QHeaderView* header = ui_->lstHeaders->header();
    header->setStretchLastSection(false);
    for (int c = 0; c < kColumns; ++c) {
        int width = 0;
        if (c < static_cast<int>(std::size(kWidths))) {
            width = context_.profile.GetInt(kSection, kWidths[c].key, -1);
            if (width < 0) {
                width = kWidths[c].fallback;
            }
        }
        ui_->lstHeaders->setColumnWidth(c, width);
        ui_->lstHeaders->setColumnHidden(c, width == 0);
    }
    busy_ = true;
    const bool retrieved = Retrieve();
    busy_ = false;
    SetTitle();
    return retrieved;
}

int CHeaderListDlg::Open() {
    if (Start()) {
        exec();
    }
    return deleted_;
}

void CHeaderListDlg::LoadAccount(std::string name) {
    account_ = Account{};
    account_.name = std::move(name);
    account_.options = context_.pop3Options;
    const int index = settings::FindAccountSection(context_.profile, account_.name);
    if (index < 0) {
        return;  // an unknown account has no server: connecting says so
    }
    const settings::AccountSlot slot =
        settings::LoadAccountSlot(context_.profile, index, context_.vault);
    account_.server = slot.server;
    account_.user = slot.user;
    account_.password = slot.password;
    account_.port = settings::LoadPop3Port(context_.profile, index);
    account_.idChecking = !settings::LoadDisableUidl(context_.profile, index);
    account_.options.security =
        static_cast<pop3::Security>(settings::LoadAccountSecurity(context_.profile, index));
    account_.options.pinnedFingerprint = settings::LoadPinnedCertificate(context_.profile, index);
}

void CHeaderListDlg::SetTitle() {
    setWindowTitle(
        QStringLiteral("Corvy - View Headers - %1").arg(QString::fromStdString(account_.name)));
}

template <typename F>
void CHeaderListDlg::Guarded(F command) {
    if (busy_) {
        return;
    }
    busy_ = true;
    command();
    busy_ = false;
}

void CHeaderListDlg::Box(const std::string& text, const std::string& title) {
    context_.services.MessageBox(this, text, title, BoxIcon::Exclamation, BoxButtons::Ok);
}

bool CHeaderListDlg::IsMarked(const QTreeWidgetItem* item) const {
    return item->data(kFrom, kMarkRole).toInt() == 1;
}

void CHeaderListDlg::SetMark(QTreeWidgetItem* item, bool marked) {
    item->setData(kFrom, kMarkRole, marked ? 1 : 0);
    item->setIcon(kFrom,
                  style()->standardIcon(marked ? QStyle::SP_TrashIcon : QStyle::SP_FileIcon));
}

void CHeaderListDlg::AddRow(const std::string& text, long long size, const std::string& uid) {
    const headers::MessageFields fields = headers::ExtractMessageFields(text);
    auto* item = new QTreeWidgetItem(ui_->lstHeaders);
    item->setText(kFrom, MessageToDisplay(fields.from));
    item->setText(kSubject, MessageToDisplay(fields.subject));
    item->setText(kDate, MessageToDisplay(fields.date));
    item->setText(kSize, QString::fromStdString(headers::SizeText(size)));
    item->setText(kReplyTo, MessageToDisplay(fields.replyTo));
    item->setText(kMsgId, QString::fromStdString(uid));
    // The bytes as sent: the marker is compared with the next check's bytes.
    item->setData(kDate, kMarkRole, QByteArray::fromStdString(fields.date));
    SetMark(item, false);
}

void CHeaderListDlg::ClearList() {
    for (int i = 0; i < ui_->lstHeaders->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ui_->lstHeaders->topLevelItem(i);
        headers::MessageFiles::Remove(item->data(kFrom, kFileRole).toString().toStdString());
        item->setData(kFrom, kFileRole, QString());
    }
}

QTreeWidgetItem* CHeaderListDlg::FirstSelected() const {
    for (int i = 0; i < ui_->lstHeaders->topLevelItemCount(); ++i) {
        if (ui_->lstHeaders->topLevelItem(i)->isSelected()) {
            return ui_->lstHeaders->topLevelItem(i);
        }
    }
    return nullptr;
}

void CHeaderListDlg::OnDelete() {
    for (QTreeWidgetItem* item : ui_->lstHeaders->selectedItems()) {
        if (!IsMarked(item)) {
            SetMark(item, true);
            ++marked_;
        }
    }
}

void CHeaderListDlg::OnUndelete() {
    for (QTreeWidgetItem* item : ui_->lstHeaders->selectedItems()) {
        if (IsMarked(item)) {
            SetMark(item, false);
            --marked_;
        }
    }
}

std::unique_ptr<QMenu> CHeaderListDlg::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QStringLiteral("menuHeaders"));
    const bool single = ui_->lstHeaders->selectedItems().size() <= 1;
    menu->addAction(QStringLiteral("&Peek"), this, [this] { Guarded([this] { OnPeek(); }); })
        ->setEnabled(single);
    menu->addAction(QStringLiteral("&Reply"), this, [this] { Guarded([this] { OnReply(); }); })
        ->setEnabled(single);
    menu->addAction(QStringLiteral("&Delete"), this, [this] { OnDelete(); });
    menu->addAction(QStringLiteral("&Undelete"), this, [this] { OnUndelete(); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Run Email Program"), this, [this] { OnRunEmailProgram(); })
        ->setEnabled(!context_.emailClient.empty());
    return menu;
}

void CHeaderListDlg::OnRunEmailProgram() {
    if (!context_.services.RunCommandLine(context_.emailClient)) {
        Box("Could not start email program!");
    }
}

std::optional<std::string> CHeaderListDlg::KeptText(const QTreeWidgetItem* item) {
    const std::string path = item->data(kFrom, kFileRole).toString().toStdString();
    std::optional<std::string> text = headers::MessageFiles::Read(path);
    if (!text) {
        Box("Unable to open " + path);
    }
    return text;
}

void CHeaderListDlg::OnReply() {
    const QTreeWidgetItem* item = FirstSelected();
    if (item == nullptr) {
        return;
    }
    QuickMailPrefill prefill;
    prefill.recipient = headers::ReplyRecipient(item->text(kReplyTo).toStdString());
    prefill.subject = headers::ReplySubject(item->text(kSubject).toStdString());
    if (withBodies_) {
        const std::optional<std::string> text = KeptText(item);
        if (!text) {
            return;
        }
        prefill.text =
            headers::ReplyQuote(item->text(kDate).toStdString(), headers::KeptTextToWire(*text));
    }
    CQuickMailDlg dlg(context_.profile, context_.services, context_.dataFolder, prefill, this);
    dlg.exec();
}

void CHeaderListDlg::OnRefresh() {
    Guarded([this] {
        if (ProcessMarks() == MarksOutcome::ConnectFailed) {
            CloseWindow();
            return;
        }
        ui_->lstHeaders->clear();  // rows must stay message numbers
        marked_ = 0;
        LoadAccount(account_.name);
        SetTitle();
        Retrieve();
    });
}

void CHeaderListDlg::OnAccountChanged() {
    Guarded([this] {
        if (ProcessMarks() == MarksOutcome::ConnectFailed) {
            CloseWindow();
            return;
        }
        ui_->lstHeaders->clear();
        marked_ = 0;
        LoadAccount(ui_->cmbAccount->currentText().toStdString());
        SetTitle();
        Retrieve();
    });
}

void CHeaderListDlg::reject() {
    if (busy_) {
        return;  // Cancel in the progress window ends the server work first
    }
    busy_ = true;
    ProcessMarks();
    busy_ = false;
    CloseWindow();
}

void CHeaderListDlg::CloseWindow() {
    SaveWindowRectangle(*this, context_.profile, kSection, context_.services.PlacesWindows());
    for (int c = 0; c < static_cast<int>(std::size(kWidths)); ++c) {
        context_.profile.WriteInt(kSection, kWidths[c].key, ui_->lstHeaders->columnWidth(c));
    }
    QDialog::reject();
}

}  // namespace corvy
