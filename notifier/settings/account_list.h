#pragma once
// The account list of the Setup window: ten slots edited by the add, edit
// and delete rules, each refusal carrying the text the user is shown.

#include <string>
#include <utility>

#include "notifier_settings.h"

namespace corvy::settings {

class AccountList {
public:
    AccountList() { origins_.fill(-1); }
    // Slots as stored: each one comes from the section of its own index.
    explicit AccountList(AccountSlots accounts);

    const AccountSlots& Slots() const { return slots_; }
    // Accounts listed: the slots before the first empty name.
    int Count() const;
    const AccountSlot& At(int index) const { return slots_[index]; }

    // Refuses a full list before anything is asked of the user.
    bool CanAdd(std::string& error) const;
    // Appends the account; false with the refusal text otherwise.
    bool Add(const AccountSlot& account, std::string& error);
    // Stores the values back into the slot. An empty name is refused as Add
    // refuses it (it would end the account list there); other names are not
    // checked.
    bool Edit(int index, const AccountSlot& account, std::string& error);
    // Removes the account; later slots move up and the last one is emptied.
    bool Delete(int index);

    // Writes every slot. The port, ID-checking and security keys live beside the slot
    // in its section, so they move with an account that changed places; a
    // slot that is new or empty gets their defaults back.
    // Passwords go to `vault` when it is not null (see SaveAccountSlots).
    void Save(vantry::profile::Profile& profile, PasswordVault* vault = nullptr) const;

private:
    AccountSlots slots_;
    // The section each slot was loaded from; -1 for an added or empty slot.
    std::array<int, kMaxAccounts> origins_;
};

// Letter case ignored, ASCII only like the rest of the profile.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

}  // namespace corvy::settings
