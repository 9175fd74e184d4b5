// The mail check of CNotifierWnd: every enabled account, the new-mail rule,
// the tray, the new-mail window, the sound and the error boxes.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "app/notifier_wnd.h"
#include "checkcycle/check_rules.h"
#include "settings/data_files.h"

namespace corvy {

namespace {

constexpr std::size_t kHeaderBuffer = 8192;

// Working buffers are small; failing to get one leaves nothing sensible to do.
[[noreturn]] void OutOfMemory(NotifierServices& services) {
    services.MessageBox(nullptr, "Error allocating temp buffer", "Corvy", BoxIcon::Exclamation,
                        BoxButtons::Ok);
    std::exit(1);
}

}  // namespace

void CNotifierWnd::CheckAllAccounts() {
    int total = 0;
    SetTrayIcon(TrayImage::Checking, TrayOp::Modify, "Corvy - Checking Mail");
    std::vector<std::string> newMail(settings::kMaxAccounts);
    bool anyNew = false;
    bool anyError = false;
    for (int i = 0; i < settings::kMaxAccounts && !exiting_; ++i) {
        const std::string section = settings::AccountSection(i);
        if (deps_.profile.GetInt(section, "Disabled", 0) != 0) {
            continue;
        }
        const std::string name = deps_.profile.GetString(section, "AccountName");
        if (name.empty()) {
            break;
        }
        const settings::AccountSlot slot = settings::LoadAccountSlot(deps_.profile, i, deps_.vault);
        const int port = settings::LoadPop3Port(deps_.profile, i);
        pop3::Pop3Options options = deps_.pop3Options;
        options.security =
            static_cast<pop3::Security>(settings::LoadAccountSecurity(deps_.profile, i));
        options.pinnedFingerprint = settings::LoadPinnedCertificate(deps_.profile, i);
        SetTrayIcon(TrayImage::Checking, TrayOp::Modify, checkcycle::CheckingAtTip(name));
        int count = 0;
        bool error = false;
        if (CheckAccount(name, slot.server, slot.user, slot.password, port, options, count,
                         error)) {
            newMail[i] = name;
            anyNew = true;
        }
        anyError = anyError || error;
        total += count;
    }
    total_ = total;

    if (anyNew) {
        SetTrayIcon(TrayImage::NewMail, TrayOp::Modify, "Corvy - You have new mail!");
        std::vector<std::string> names;
        for (const std::string& n : newMail) {
            if (!n.empty()) {
                names.push_back(n);
            }
        }
        ShowNewMail(names);
    } else if (anyError) {
        SetTrayIcon(TrayImage::Failure, TrayOp::Modify,
                    "Corvy - Unable to connect one or more servers!");
    } else {
        SetTrayIcon(TrayImage::Idle, TrayOp::Modify, checkcycle::MessagesAtTip(total_, Clock()));
    }
    deps_.profile.WriteInt("LastMail", "NumberOfMessages", total_);
}

void CNotifierWnd::ShowNewMail(const std::vector<std::string>& accounts) {
    std::string sound;
    if (settings_.playNewMailSound && !settings_.newMailSound.empty()) {
        sound = settings::ResolveDataFile(settings_.newMailSound, deps_.dataFolder);
    }
    // Without a tray the window and the notification are the only sign of new mail.
    if (!settings_.showNewMailWindow && deps_.tray.Available()) {
        if (!sound.empty()) {
            deps_.services.PlaySoundAsync(sound);
        }
        return;
    }
    std::string list;
    for (const std::string& a : accounts) {
        list += (list.empty() ? "" : ", ") + a;
    }
    deps_.services.Notify("Corvy - You have new mail!", "You have new mail at: " + list);
    newMailOpen_ = true;
    const std::string chosen = newMailWindow ? newMailWindow(accounts, sound) : std::string();
    newMailOpen_ = false;
    if (chosen.empty() || !deps_.dialUp.EnsureConnected()) {
        return;
    }
    headersOpen_ = true;
    const int deleted = headerWindow ? headerWindow(chosen, settings_.peekLines) : 0;
    headersOpen_ = false;
    total_ = std::max(0, total_ - deleted);  // a stale total never goes below zero
    SetTrayIcon(TrayImage::Idle, TrayOp::Modify, checkcycle::MessagesAtTip(total_, Clock()));
}

bool CNotifierWnd::CheckAccount(const std::string& name, const std::string& server,
                                const std::string& user, const std::string& password, int port,
                                const pop3::Pop3Options& options, int& count, bool& error) {
    std::unique_ptr<char[]> headers(new (std::nothrow) char[kHeaderBuffer]);
    if (!headers) {
        OutOfMemory(deps_.services);
    }
    headers[0] = '\0';
    count = 0;
    error = false;
    const std::string marker = deps_.profile.GetString("LastMail", name);

    int code = 0;
    pop3::CPop3Client client(server, user, password, port, code, nullptr, options);
    if (code != pop3::kSuccess) {
        error = true;
        ReportError(code, client.ErrorText(code), name);
        return false;
    }
    count = client.Stat(code);
    if (code != pop3::kSuccess) {
        error = true;
        ReportError(code, "STAT\n" + client.ErrorText(code), name);
        return false;
    }
    if (count < 1) {
        count = 0;
        return false;
    }
    code = client.Top(count, headers.get(), kHeaderBuffer);
    if (code != pop3::kSuccess) {
        error = true;
        ReportError(code, "TOP\n" + client.ErrorText(code), name);
        return false;
    }
    const checkcycle::StatusAndDate fields = checkcycle::ExtractStatusAndDate(headers.get());
    if (fields.date == marker) {
        return false;
    }
    if (!settings_.newUntilView) {
        if (checkcycle::StatusSeen(fields.status)) {
            return false;
        }
        deps_.profile.WriteString("LastMail", name, fields.date);
        return true;
    }
    // Stays new at every check until the header window stores the marker.
    return true;
}

void CNotifierWnd::ReportError(int code, const std::string& text, const std::string& account) {
    if (code == pop3::kUserCanceled) {
        return;  // a cancel is never an error
    }
    if (settings_.suppressErrors && automatic_) {
        return;
    }
    raise();
    deps_.services.MessageBox(nullptr, text + "\n" + account, "Corvy", BoxIcon::Exclamation,
                              BoxButtons::Ok);
}

}  // namespace corvy
