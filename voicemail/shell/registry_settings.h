#pragma once
// The main window's settings over the registry-backed settings object.

#include <memory>

#include "cregistry.h"
#include "form_settings.h"

namespace murmel {

class RegistryFormSettings : public FormSettings {
public:
    explicit RegistryFormSettings(std::unique_ptr<cRegistry> registry);

    void VerifyRegistry() override { registry_->VerifyRegistry(); }
    // Unknown names read as "" and are not written.
    QString Get(std::string_view property) const override;
    void Let(std::string_view property, const QString& value) override;

    cRegistry& registry() { return *registry_; }

private:
    std::unique_ptr<cRegistry> registry_;
};

}  // namespace murmel
