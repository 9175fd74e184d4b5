#pragma once
// What the Setup window works on: the profile, the registry store for the
// start-at-log-on value, the desktop services and a few facts of the
// installation.

#include <string>

#include "dialup/dial_up.h"
#include "profile/profile.h"
#include "registry/registry.h"
#include "services/notifier_services.h"
#include "settings/password_vault.h"

namespace corvy::setup {

struct SetupContext {
    vantry::profile::Profile& profile;
    vantry::registry::Store& registry;
    NotifierServices& services;
    std::string dataFolder;  // installed data; the user's signature.txt is made from it
    std::string runCommand;  // the start-at-log-on command
    bool dialUpAvailable = false;
    DialUp* dialUp = nullptr;  // the entry list and lookup; null: none
    // The desktop keyring for passwords, or null: they stay in the profile.
    settings::PasswordVault* vault = nullptr;
};

// Boxes of the Setup window carry the program's title.
inline void Warn(SetupContext& ctx, QWidget* parent, const std::string& text) {
    ctx.services.MessageBox(parent, text, "Corvy", BoxIcon::Exclamation, BoxButtons::Ok);
}

}  // namespace corvy::setup
