#pragma once
// Where account passwords live: the desktop keyring (Secret Service) when
// one answers, else the profile's scrambled value. A profile key beside the
// password says which, so a profile written without a keyring reads back
// the same anywhere.

#include <optional>
#include <string>

#include "profile/profile.h"

namespace corvy::settings {

// One secret per kind ("pop3", "smtp"), account and server.
class PasswordVault {
public:
    virtual ~PasswordVault() = default;
    // The stored password, "" when none is stored; nullopt when the vault
    // cannot be reached.
    virtual std::optional<std::string> Lookup(const std::string& kind, const std::string& account,
                                              const std::string& server) = 0;
    virtual bool Store(const std::string& kind, const std::string& account,
                       const std::string& server, const std::string& password) = 0;
    // Forgets every password of the kind.
    virtual bool ClearAll(const std::string& kind) = 0;
};

// The desktop keyring through libsecret.
class SecretServiceVault : public PasswordVault {
public:
    std::optional<std::string> Lookup(const std::string& kind, const std::string& account,
                                      const std::string& server) override;
    bool Store(const std::string& kind, const std::string& account, const std::string& server,
               const std::string& password) override;
    bool ClearAll(const std::string& kind) override;
    // Whether a Secret Service answers at all (Setup says so when not).
    bool Available();
};

// Where one password is kept in the profile.
struct PasswordPlace {
    std::string section;
    std::string key;  // the scrambled value; key + "InKeyring" marks the keyring
    std::string kind;
    std::string account;
    std::string server;
};

// The keyring's password when the profile marks it, else the unscrambled
// profile value. `vault` may be null (no keyring).
std::string LoadPassword(const vantry::profile::Profile& profile, const PasswordPlace& place,
                         PasswordVault* vault);
// Into the keyring when it takes it (the profile then keeps an empty value
// and the mark), else scrambled into the profile as ever. True when the
// keyring holds it.
bool SavePassword(vantry::profile::Profile& profile, const PasswordPlace& place,
                  const std::string& password, PasswordVault* vault);

}  // namespace corvy::settings
