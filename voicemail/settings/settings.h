#pragma once
// The settings the program's windows read and write, one typed accessor pair
// per setting (`settings.PlaySounds()`, `settings.setPlaySounds("1")`), so a
// misspelt setting does not compile. Every value is text; a setting never
// written reads as "".

#include <QString>

#include <map>
#include <string_view>

namespace murmel {

// Every setting, declared once: READ_WRITE, READ_ONLY (provided by the
// installation or the system) or WRITE_ONLY. Accessors, the registry
// dispatch and the names below all come from this list.
// clang-format off
#define MURMEL_SETTINGS(READ_WRITE, READ_ONLY, WRITE_ONLY) \
    READ_WRITE(MyName)                                     \
    READ_WRITE(LastAdUpdate)                               \
    READ_WRITE(MyOrganization)                             \
    READ_WRITE(ConnectTo)                                  \
    READ_WRITE(InVolume)                                   \
    READ_WRITE(OutVolume)                                  \
    READ_ONLY(LogoClick)                                   \
    READ_WRITE(MyEmail)                                    \
    READ_WRITE(MyCc)                                       \
    READ_WRITE(MyNote)                                     \
    READ_WRITE(PlaySounds)                                 \
    READ_WRITE(Autorun)                                    \
    READ_WRITE(KnownAddressBooks)                          \
    READ_WRITE(AddressBook)                                \
    READ_WRITE(WaveType)                                   \
    READ_ONLY(UserLanguage)                                \
    READ_ONLY(WaveTypes)                                   \
    WRITE_ONLY(DefaultWave)                                \
    READ_WRITE(SetRunAtInitialization)

#define MURMEL_SETTING_ID(name) name,
enum class SettingId { MURMEL_SETTINGS(MURMEL_SETTING_ID, MURMEL_SETTING_ID, MURMEL_SETTING_ID) };
#undef MURMEL_SETTING_ID
// clang-format on

// The setting's name, for traces and messages; never used to look one up.
std::string_view SettingName(SettingId id);

class Settings {
public:
    virtual ~Settings() = default;
    // Makes sure the program's keys exist.
    virtual void VerifyRegistry() = 0;

// clang-format off
#define MURMEL_SETTING_GET(name) QString name() const { return Read(SettingId::name); }
#define MURMEL_SETTING_SET(name) \
    void set##name(const QString& value) { Write(SettingId::name, value); }
#define MURMEL_SETTING_BOTH(name) MURMEL_SETTING_GET(name) MURMEL_SETTING_SET(name)
    MURMEL_SETTINGS(MURMEL_SETTING_BOTH, MURMEL_SETTING_GET, MURMEL_SETTING_SET)
#undef MURMEL_SETTING_BOTH
#undef MURMEL_SETTING_GET
#undef MURMEL_SETTING_SET
    // clang-format on

protected:
    virtual QString Read(SettingId id) const = 0;
    virtual void Write(SettingId id, const QString& value) = 0;
};

// Settings kept in memory, for a program without a store and for tests.
class MemorySettings : public Settings {
public:
    void VerifyRegistry() override { ++verified_; }
    bool Has(SettingId id) const { return values_.count(id) > 0; }
    // Any setting by id, write-only ones included, for tests and traces.
    QString Value(SettingId id) const { return Read(id); }
    void SetValue(SettingId id, const QString& value) { Write(id, value); }
    int verified() const { return verified_; }

protected:
    QString Read(SettingId id) const override {
        const auto it = values_.find(id);
        return it == values_.end() ? QString() : it->second;
    }
    void Write(SettingId id, const QString& value) override { values_[id] = value; }

private:
    std::map<SettingId, QString> values_;
    int verified_ = 0;
};

}  // namespace murmel
