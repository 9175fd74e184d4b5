#include "dialup/dial_up.h"

#include "dialup/connect_dlg.h"
#include "settings/password_scramble.h"

namespace corvy::dialup {

namespace {

constexpr const char* kSection = "Connection";
constexpr const char* kUndefined = "Undefined RAS Dial Error.";
constexpr int kTrayDialing = 167;
constexpr int kTrayFailure = 166;

EntryDetails StoredDetails(const vantry::profile::Profile& profile) {
    return {profile.GetString(kSection, "NumberToDial"), profile.GetString(kSection, "UserID"),
            settings::UnscramblePassword(profile.GetString(kSection, "Password"))};
}

bool Complete(const EntryDetails& d) {
    return !d.number.empty() && !d.user.empty() && !d.password.empty();
}

}  // namespace

CDialUp::CDialUp(vantry::profile::Profile& profile, NotifierServices& services,
                 std::unique_ptr<DialUpBackend> backend)
    : profile_(profile), services_(services), backend_(std::move(backend)) {
    askConnect = [] { return CConnectDlg::Ask(); };
    if (backend_) {
        connect(backend_.get(), &DialUpBackend::OnlineChanged, this, [this](bool online) {
            if (online && onBackOnline) {
                onBackOnline();
            }
        });
    }
}

void CDialUp::ShowError(const std::string& text, const char* fallback, bool suppressible) {
    if (suppressible && quiet_) {
        return;
    }
    services_.MessageBox(nullptr, text.empty() ? std::string(fallback) : text, "Corvy",
                         BoxIcon::Stop, BoxButtons::Ok);
}

void CDialUp::Tray(int image, const std::string& tip) {
    if (trayStatus) {
        trayStatus(image, tip);
    }
}

bool CDialUp::AskBeforeConnecting() const {
    return profile_.GetInt(kSection, "AskBeforeConnecting", 1) != 0;
}

bool CDialUp::IsOnline() {
    if (OnLan()) {
        return true;
    }
    std::string error;
    if (backend_->Online(error)) {
        return true;
    }
    if (!error.empty()) {
        ShowError(error, kUndefined, true);
    }
    return false;
}

bool CDialUp::Dial() {
    if (OnLan()) {
        return true;
    }
    if (dialing_) {
        return false;  // a timer check while the menu's dial waits for the line
    }
    const EntryDetails stored = StoredDetails(profile_);
    if (stored.user.empty() || stored.password.empty() || stored.number.empty()) {
        ShowError("Incomplete Dial-Up information!\nPlease check your setup.", "", false);
        return false;
    }
    Tray(kTrayDialing, "Corvy - Connecting...");
    const std::string entry = profile_.GetString(kSection, "DUN");
    if (entry.empty()) {
        ShowError("Invalid Dial-Up Entry", "", false);
        return false;
    }
    EntryDetails ignored;
    std::string error;
    if (!backend_->LookUp(entry, ignored, error)) {
        ShowError(error, kUndefined, false);
        return false;
    }
    // The stored number and credentials win over the entry's own.
    dialing_ = true;
    const bool up = backend_->Dial(entry, stored, error);
    dialing_ = false;
    if (!up) {
        ShowError(error, kUndefined, true);
        return false;
    }
    return true;
}

bool CDialUp::HangUp() {
    if (OnLan()) {
        return true;
    }
    dialedByUs_ = false;
    if (!IsOnline()) {
        return false;
    }
    backend_->HangUp();
    return true;
}

bool CDialUp::EnsureConnected() {
    if (OnLan() || IsOnline()) {
        return true;
    }
    if (AskBeforeConnecting()) {
        const std::optional<bool> alwaysAsk = askConnect ? askConnect() : std::optional<bool>();
        if (!alwaysAsk) {
            return false;
        }
        profile_.WriteInt(kSection, "AskBeforeConnecting", *alwaysAsk ? 1 : 0);
    }
    if (!Dial()) {
        Tray(kTrayFailure, "Corvy - Unable to connect!");
        return false;
    }
    dialedByUs_ = true;
    return true;
}

void CDialUp::OfferDisconnect() {
    if (OnLan()) {
        return;
    }
    if (!IsOnline()) {
        dialedByUs_ = false;
        return;
    }
    if (!dialedByUs_) {
        return;  // someone else's connection is used, never ended
    }
    dialedByUs_ = false;
    if (AskBeforeConnecting() &&
        services_.MessageBox(nullptr, "Would you like to disconnect from the Internet?", "Corvy",
                             BoxIcon::Question, BoxButtons::YesNo) == BoxAnswer::No) {
        return;
    }
    backend_->HangUp();
}

std::vector<std::string> CDialUp::ListEntries(bool lanChecked) {
    std::vector<std::string> names;
    if (!backend_) {
        return names;
    }
    std::string error;
    if (!backend_->ListEntries(names, error)) {
        if (!lanChecked) {
            ShowError(error, "Undefined RasEnumEntries Error.", false);
        }
        names.clear();
    }
    return names;
}

bool CDialUp::LookUpEntry(const std::string& name, bool lanChecked, EntryDetails& details) {
    if (name.empty()) {
        return false;
    }
    details = {};
    if (name == profile_.GetString(kSection, "DUN")) {
        details = StoredDetails(profile_);
        if (Complete(details)) {
            return true;
        }
    }
    if (!backend_) {
        return true;
    }
    EntryDetails found;
    std::string error;
    if (!backend_->LookUp(name, found, error)) {
        if (!lanChecked) {
            ShowError(error, kUndefined, false);
        }
        return true;
    }
    details = found;
    return true;
}

}  // namespace corvy::dialup
