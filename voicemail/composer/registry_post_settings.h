#pragma once
// The outbox item's settings read live from the program-wide settings object.

#include "cregistry.h"
#include "outbox_item.h"

namespace murmel {

class RegistryPostSettings : public PostSettings {
public:
    explicit RegistryPostSettings(const cRegistry& settings) : settings_(settings) {}
    QString MyEmail() const override { return settings_.MyEmail(); }
    QString MyName() const override { return settings_.MyName(); }
    QString MyCc() const override { return settings_.MyCc(); }
    QString MyOrganization() const override { return settings_.MyOrganization(); }
    QString UserLanguage() const override { return settings_.UserLanguage(); }
    QString MyNote() const override { return settings_.MyNote(); }

private:
    const cRegistry& settings_;
};

}  // namespace murmel
