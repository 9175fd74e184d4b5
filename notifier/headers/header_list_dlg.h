#pragma once
// The header window: lists one POP3 account's messages (sender, subject,
// date, size), marks messages for deletion, peeks, replies through QuickMail
// and deletes the marked messages, each after its unique ID was checked
// again, when the list is refreshed, the account changed or the window closed.

// clang-format off
//   CHeaderListDlg dlg(context, "me@example.org", 20);
//   const int deleted = dlg.Open();
// clang-format on

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "headers/message_files.h"
#include "pop3/pop3_client.h"
#include "profile/profile.h"
#include "services/notifier_services.h"
#include "settings/password_vault.h"

class QMenu;
class QTreeWidgetItem;

namespace Ui {
class CHeaderListDlg;
}

namespace corvy {

struct HeaderContext {
    vantry::profile::Profile& profile;
    NotifierServices& services;
    std::string dataFolder;   // installed data: help pages, signature
    std::string emailClient;  // command line of "Run Email Program"
    pop3::Pop3Options pop3Options = {};
    // The desktop keyring holding account passwords, or null.
    settings::PasswordVault* vault = nullptr;
};

class CHeaderListDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { kFrom, kSubject, kDate, kSize, kReplyTo, kMsgId, kColumns };

    CHeaderListDlg(HeaderContext& context, const std::string& account, int peekLines,
                   QWidget* parent = nullptr);
    ~CHeaderListDlg() override;

    // Retrieves the list and runs the window; the number of messages deleted
    // while it was open. A failed first retrieval closes it at once.
    int Open();
    // The opening steps without running the window: false when the first
    // retrieval failed.
    bool Start();
    int Deleted() const { return deleted_; }
    int Marked() const { return marked_; }

    void OnPeek();
    void OnReply();
    void OnDelete();
    void OnUndelete();
    void OnRefresh();
    void OnRunEmailProgram();
    void OnAccountChanged();
    // Close: process the marks, save the rectangle and column widths.
    void reject() override;

    // The list's context menu as it would show now.
    std::unique_ptr<QMenu> BuildContextMenu();

private:
    struct Account {
        std::string name;
        std::string server;
        std::string user;
        std::string password;
        int port = 0;
        bool idChecking = true;
        // The connection options with the account's security and the
        // certificate it accepted.
        pop3::Pop3Options options;
    };
    enum class MarksOutcome { Done, Stopped, ConnectFailed };
    // Added: the row is in; ListKept: retrieval ends with the rows so far.
    enum class Fetched { Added, ListKept, Failed };

    void LoadAccount(std::string name);
    void SetTitle();
    bool Retrieve();
    Fetched RetrieveMessage(pop3::CPop3Client& client, int n, char* buffer, std::size_t capacity);
    MarksOutcome ProcessMarks();
    bool DeleteMarked(int& lastKept);
    // Removes the rows' message files.
    void ClearList();
    // Saves the rectangle and column widths and ends the window.
    void CloseWindow();
    void AddRow(const std::string& text, long long size, const std::string& uid);
    bool IsMarked(const QTreeWidgetItem* item) const;
    void SetMark(QTreeWidgetItem* item, bool marked);
    QTreeWidgetItem* FirstSelected() const;
    // Shows a server failure unless it was a cancel.
    void ShowServerError(const std::string& command, pop3::CPop3Client& client, int code);
    void Box(const std::string& text, const std::string& title = "Corvy");
    // The kept text of a row (bodies retrieved) or nothing after saying so.
    std::optional<std::string> KeptText(const QTreeWidgetItem* item);
    // Runs one command unless another is still waiting on the server.
    template <typename F>
    void Guarded(F command);

    std::unique_ptr<Ui::CHeaderListDlg> ui_;
    HeaderContext& context_;
    headers::MessageFiles files_;
    Account account_;
    int peekLines_;
    bool withBodies_ = true;
    int marked_ = 0;
    int deleted_ = 0;
    // Server work pumps events, so a second command could start inside it.
    bool busy_ = false;
};

}  // namespace corvy
