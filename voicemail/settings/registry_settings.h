#pragma once
// The program's settings kept in the registry through cRegistry.

#include <memory>

#include "settings/cregistry.h"
#include "settings/settings.h"

namespace murmel {

class RegistrySettings : public Settings {
public:
    explicit RegistrySettings(std::unique_ptr<cRegistry> registry);

    void VerifyRegistry() override { registry_->VerifyRegistry(); }
    cRegistry& registry() { return *registry_; }

protected:
    QString Read(SettingId id) const override;
    void Write(SettingId id, const QString& value) override;

private:
    std::unique_ptr<cRegistry> registry_;
};

}  // namespace murmel
