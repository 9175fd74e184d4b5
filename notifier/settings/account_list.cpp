#include "account_list.h"

#include <iterator>
#include <optional>

#include "base/ascii.h"

namespace corvy::settings {
namespace {

constexpr const char* kEmptyName = "Unable to add account. Account name empty.";

}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return vantry::EqualsIgnoreAsciiCase(a, b);
}

AccountList::AccountList(AccountSlots accounts) : slots_(std::move(accounts)) {
    for (int i = 0; i < kMaxAccounts; ++i) {
        origins_[i] = slots_[i].Empty() ? -1 : i;
    }
}

int AccountList::Count() const {
    int n = 0;
    while (n < kMaxAccounts && !slots_[n].Empty()) {
        ++n;
    }
    return n;
}

bool AccountList::CanAdd(std::string& error) const {
    if (Count() >= kMaxAccounts) {
        error = "Unable to add account. You already have 10 accounts.";
        return false;
    }
    return true;
}

bool AccountList::Add(const AccountSlot& account, std::string& error) {
    if (!CanAdd(error)) {
        return false;
    }
    if (account.name.empty()) {
        error = kEmptyName;
        return false;
    }
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        if (SameNameIgnoringCase(slots_[i].name, account.name)) {
            error = "Unable to add. Account already exists.";
            return false;
        }
    }
    slots_[count] = account;
    origins_[count] = -1;
    return true;
}

bool AccountList::Edit(int index, const AccountSlot& account, std::string& error) {
    if (account.name.empty()) {
        error = kEmptyName;
        return false;
    }
    if (index >= 0 && index < kMaxAccounts) {
        slots_[index] = account;
    }
    return true;
}

bool AccountList::Delete(int index) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    for (int i = index; i + 1 < kMaxAccounts; ++i) {
        slots_[i] = slots_[i + 1];
        origins_[i] = origins_[i + 1];
    }
    slots_[kMaxAccounts - 1] = AccountSlot{};
    origins_[kMaxAccounts - 1] = -1;
    return true;
}

void AccountList::Save(vantry::profile::Profile& profile, PasswordVault* vault) const {
    constexpr const char* kBeside[] = {"POP3Port", "DisableUIDL", "Security", "CertificateSHA256"};
    constexpr int kKeys = static_cast<int>(std::size(kBeside));
    // Read every moving value before any section is overwritten.
    std::array<std::array<std::optional<std::string>, kKeys>, kMaxAccounts> moved;
    for (int i = 0; i < kMaxAccounts; ++i) {
        if (origins_[i] >= 0 && origins_[i] != i) {
            for (int k = 0; k < kKeys; ++k) {
                moved[i][k] = profile.Find(AccountSection(origins_[i]), kBeside[k]);
            }
        }
    }
    for (int i = 0; i < kMaxAccounts; ++i) {
        if (origins_[i] == i) {
            continue;
        }
        const std::string section = AccountSection(i);
        for (int k = 0; k < kKeys; ++k) {
            if (moved[i][k].has_value()) {
                profile.WriteString(section, kBeside[k], *moved[i][k]);
            } else if (profile.Find(section, kBeside[k]).has_value()) {
                profile.RemoveKey(section, kBeside[k]);
            }
        }
    }
    SaveAccountSlots(profile, slots_, vault);
}

}  // namespace corvy::settings
