// The server work of CHeaderListDlg: retrieving the list and deleting the
// marked messages, each behind a progress window with Cancel.
#include <QTreeWidget>
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "headers/header_list_dlg.h"
#include "headers/message_text.h"
#include "headers/peek_dlg.h"
#include "progress/progress_window.h"
#include "ui_header_list_dlg.h"

namespace corvy {
namespace {

constexpr std::size_t kUidBuffer = 1024;
constexpr const char* kNoUidHelp =
    "Corvy was unable to retrieve the ID for a message.\nIf you continue to receive this error "
    "you may need to disable ID checking under the Advanced settings for this account";

}  // namespace

void CHeaderListDlg::ShowServerError(const std::string& command, pop3::CPop3Client& client,
                                     int code) {
    if (code == pop3::kUserCanceled) {
        return;
    }
    Box(command + client.ErrorText(code), "Error!");
    if (command == "UIDL\n") {
        Box(kNoUidHelp, "Error!");
    }
}

bool CHeaderListDlg::Retrieve() {
    const std::size_t capacity =
        withBodies_ ? headers::PeekLimit(peekLines_) : headers::kFieldSearchLimit;
    // Failing to get the buffer ends this retrieval, never the program.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[capacity]);
    if (!buffer) {
        Box("Error allocating temp buffer");
        return false;
    }
    CProgressWindow progress(this);
    progress.SetTitle("Connecting to Host...");
    progress.show();
    int code = pop3::kSuccess;
    pop3::CPop3Client client(account_.server, account_.user, account_.password, account_.port, code,
                             &progress, account_.options);
    if (code != pop3::kSuccess) {
        ShowServerError("", client, code);
        return false;
    }
    const int count = client.Stat(code);
    if (code != pop3::kSuccess) {
        ShowServerError("STAT\n", client, code);
        return false;
    }
    // The count is the server's word: the bar's range must not overflow.
    progress.SetRange(0, static_cast<int>(std::min(count * 10LL, static_cast<long long>(INT_MAX))));
    progress.SetStep(10);
    progress.SetTitle("Retrieving Message Headers...");
    for (int n = 1; n <= count; ++n) {
        if (progress.CheckCancelButton()) {
            return false;
        }
        const Fetched fetched = RetrieveMessage(client, n, buffer.get(), capacity);
        if (fetched != Fetched::Added) {
            return fetched == Fetched::ListKept;
        }
        progress.StepIt();
    }
    return true;
}

CHeaderListDlg::Fetched CHeaderListDlg::RetrieveMessage(pop3::CPop3Client& client, int n,
                                                        char* buffer, std::size_t capacity) {
    int code = withBodies_ ? client.TopLines(n, buffer, capacity, peekLines_)
                           : client.Top(n, buffer, capacity);
    if (code != pop3::kSuccess) {
        ShowServerError("TOP\n", client, code);
        return Fetched::Failed;
    }
    const std::string text(buffer, ::strnlen(buffer, capacity));
    const int size = client.List(n, code);
    if (code != pop3::kSuccess) {
        ShowServerError("LIST\n", client, code);
        return Fetched::Failed;
    }
    char uid[kUidBuffer] = {};
    if (account_.idChecking) {
        code = client.Uidl(n, uid, sizeof uid);
        if (code != pop3::kSuccess) {
            ShowServerError("UIDL\n", client, code);
            return Fetched::Failed;
        }
    }
    AddRow(text, size, uid);
    if (!withBodies_) {
        return Fetched::Added;
    }
    std::string path;
    if (!files_.Write(text, path)) {
        Box("Unable to create " + path);
        return Fetched::ListKept;
    }
    QTreeWidgetItem* item = ui_->lstHeaders->topLevelItem(ui_->lstHeaders->topLevelItemCount() - 1);
    item->setData(kFrom, Qt::UserRole + 1, QString::fromStdString(path));
    return Fetched::Added;
}

CHeaderListDlg::MarksOutcome CHeaderListDlg::ProcessMarks() {
    ClearList();
    QTreeWidget* list = ui_->lstHeaders;
    const int rows = list->topLevelItemCount();
    if (rows == 0) {
        marked_ = 0;
        return MarksOutcome::Done;
    }
    int lastKept = -1;
    if (marked_ > 0 &&
        context_.services.MessageBox(this, "Delete marked messages?", "Corvy", BoxIcon::Question,
                                     BoxButtons::YesNo) == BoxAnswer::Yes) {
        CProgressWindow progress(this);
        progress.SetTitle("Connecting to Host...");
        progress.show();
        int code = pop3::kSuccess;
        pop3::CPop3Client client(account_.server, account_.user, account_.password, account_.port,
                                 code, &progress, account_.options);
        if (code != pop3::kSuccess) {
            ShowServerError("", client, code);
            return MarksOutcome::ConnectFailed;
        }
        progress.SetRange(0, rows * 10);
        progress.SetStep(10);
        progress.SetTitle("Deleting Marked Messages...");
        // A cancel inside a server wait drops the connection without QUIT,
        // and the server then keeps every message: nothing was deleted.
        int sent = 0;
        bool dropped = false;
        for (int row = 0; row < rows; ++row) {
            progress.StepIt();
            if (progress.CheckCancelButton()) {
                break;
            }
            const QTreeWidgetItem* item = list->topLevelItem(row);
            if (!IsMarked(item)) {
                lastKept = row;
                continue;
            }
            if (account_.idChecking) {
                char uid[kUidBuffer] = {};
                code = client.Uidl(row + 1, uid, sizeof uid);
                if (code != pop3::kSuccess) {
                    // What was sent so far is carried out when the client says QUIT.
                    ShowServerError("UIDL\n", client, code);
                    deleted_ += code == pop3::kUserCanceled ? 0 : sent;
                    return MarksOutcome::Stopped;
                }
                if (item->text(kMsgId).toStdString() != uid) {
                    Box("Message ID's do not match. Can not delete message.");
                    continue;
                }
            }
            code = client.Dele(row + 1);
            if (code == pop3::kSuccess) {
                ++sent;
            } else if (code == pop3::kUserCanceled) {
                dropped = true;
                break;
            } else {
                ShowServerError("DELE\n", client, code);
            }
        }
        deleted_ += dropped ? 0 : sent;
    }
    const QTreeWidgetItem* kept = list->topLevelItem(lastKept >= 0 ? lastKept : rows - 1);
    context_.profile.WriteString("LastMail", account_.name,
                                 kept->data(kDate, Qt::UserRole).toByteArray().toStdString());
    list->clear();
    marked_ = 0;
    return MarksOutcome::Done;
}

}  // namespace corvy

namespace corvy {

void CHeaderListDlg::OnPeek() {
    QTreeWidgetItem* item = FirstSelected();
    if (item == nullptr) {
        return;
    }
    std::optional<std::string> text;
    if (withBodies_) {
        text = KeptText(item);
        if (text) {
            text = headers::KeptTextToWire(*text);
        }
    } else {
        const int n = ui_->lstHeaders->indexOfTopLevelItem(item) + 1;
        const std::size_t capacity = headers::PeekLimit(peekLines_);
        std::unique_ptr<char[]> buffer(new (std::nothrow) char[capacity]);
        if (!buffer) {
            Box("Aye Captain, I'm givin' her all she's got!\nError allocating buffer.\nTry "
                "reducing the peek lines in setup.");
            return;
        }
        CProgressWindow progress(this);
        progress.SetRange(0, 1);
        progress.SetStep(1);
        progress.SetTitle("Connecting to Host...");
        progress.show();
        int code = pop3::kSuccess;
        pop3::CPop3Client client(account_.server, account_.user, account_.password, account_.port,
                                 code, &progress, account_.options);
        if (code == pop3::kSuccess) {
            progress.SetTitle("Retrieving Message...");
            code = client.TopLines(n, buffer.get(), capacity, peekLines_);
        }
        if (code != pop3::kSuccess) {
            ShowServerError("", client, code);
            return;
        }
        progress.StepIt();
        text.emplace(buffer.get(), ::strnlen(buffer.get(), capacity));
    }
    CPeekDlg peek(context_.profile, context_.services, context_.dataFolder, text, peekLines_, this);
    connect(&peek, &CPeekDlg::replyRequested, this, [this] { OnReply(); });
    peek.exec();
}

}  // namespace corvy
