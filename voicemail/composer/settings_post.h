#pragma once
// The outbox item's sender fields read from the program's settings at the
// moment of use.

#include "composer/outbox_item.h"
#include "settings/settings.h"

namespace murmel {

class SettingsPost : public PostSettings {
public:
    explicit SettingsPost(const Settings& settings) : settings_(settings) {}
    QString MyEmail() const override { return settings_.MyEmail(); }
    QString MyName() const override { return settings_.MyName(); }
    QString MyCc() const override { return settings_.MyCc(); }
    QString MyOrganization() const override { return settings_.MyOrganization(); }
    QString UserLanguage() const override { return settings_.UserLanguage(); }
    QString MyNote() const override { return settings_.MyNote(); }

private:
    const Settings& settings_;
};

}  // namespace murmel
