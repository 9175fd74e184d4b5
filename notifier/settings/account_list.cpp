#include "account_list.h"

namespace corvy::settings {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
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
        error = "Unable to add account. Account name empty.";
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
    return true;
}

void AccountList::Edit(int index, const AccountSlot& account) {
    if (index >= 0 && index < kMaxAccounts) {
        slots_[index] = account;
    }
}

bool AccountList::Delete(int index) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    for (int i = index; i + 1 < kMaxAccounts; ++i) {
        slots_[i] = slots_[i + 1];
    }
    slots_[kMaxAccounts - 1] = AccountSlot{};
    return true;
}

}  // namespace corvy::settings
