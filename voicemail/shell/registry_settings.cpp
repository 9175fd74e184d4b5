#include "registry_settings.h"

#include <cstdio>
#include <string>

namespace murmel {

namespace {

struct Property {
    const char* name;
    QString (cRegistry::*get)() const;
    void (cRegistry::*let)(const QString&);
};

// Every setting the program reaches by name; a null member means the
// setting cannot be read (or written) that way.
constexpr Property kProperties[] = {
    {"MyName", &cRegistry::MyName, &cRegistry::setMyName},
    {"LastAdUpdate", &cRegistry::LastAdUpdate, &cRegistry::setLastAdUpdate},
    {"MyOrganization", &cRegistry::MyOrganization, &cRegistry::setMyOrganization},
    {"ConnectTo", &cRegistry::ConnectTo, &cRegistry::setConnectTo},
    {"InVolume", &cRegistry::InVolume, &cRegistry::setInVolume},
    {"OutVolume", &cRegistry::OutVolume, &cRegistry::setOutVolume},
    {"LogoClick", &cRegistry::LogoClick, nullptr},
    {"MyEmail", &cRegistry::MyEmail, &cRegistry::setMyEmail},
    {"MyCc", &cRegistry::MyCc, &cRegistry::setMyCc},
    {"MyNote", &cRegistry::MyNote, &cRegistry::setMyNote},
    {"PlaySounds", &cRegistry::PlaySounds, &cRegistry::setPlaySounds},
    {"Autorun", &cRegistry::Autorun, &cRegistry::setAutorun},
    {"KnownAddressBooks", &cRegistry::KnownAddressBooks, &cRegistry::setKnownAddressBooks},
    {"AddressBook", &cRegistry::AddressBook, &cRegistry::setAddressBook},
    {"WaveType", &cRegistry::WaveType, &cRegistry::setWaveType},
    {"UserLanguage", &cRegistry::UserLanguage, nullptr},
    {"WaveTypes", &cRegistry::WaveTypes, nullptr},
    {"DefaultWave", nullptr, &cRegistry::setDefaultWave},
    {"SetRunAtInitialization", &cRegistry::SetRunAtInitialization,
     &cRegistry::setSetRunAtInitialization},
};

const Property* Find(std::string_view name) {
    for (const Property& p : kProperties) {
        if (name == p.name) {
            return &p;
        }
    }
    // A name missing here is a programming slip, not a user's problem.
    std::fprintf(stderr, "murmel: unknown setting %.*s\n", static_cast<int>(name.size()),
                 name.data());
    return nullptr;
}

}  // namespace

RegistryFormSettings::RegistryFormSettings(std::unique_ptr<cRegistry> registry)
    : registry_(std::move(registry)) {}

QString RegistryFormSettings::Get(std::string_view property) const {
    const Property* p = Find(property);
    return p && p->get ? (registry_.get()->*(p->get))() : QString();
}

void RegistryFormSettings::Let(std::string_view property, const QString& value) {
    const Property* p = Find(property);
    if (p && p->let) {
        (registry_.get()->*(p->let))(value);
    }
}

}  // namespace murmel
