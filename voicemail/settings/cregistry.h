#pragma once
// The voice-mail program's settings: every persistent setting is a string
// value in the registry, reached only through these two classes. Nothing is
// cached; every read goes to the store and every write happens at once. No
// failure reaches the caller: a missing key or value reads as "", a write to
// a missing key is lost.

#include <QString>
#include <cstdint>
#include <filesystem>

#include "registry/registry.h"
#include "settings/settings.h"

namespace murmel {

// Predefined hive handles, as 32-bit values.
inline constexpr uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr uint32_t HKEY_USERS = 0x80000003u;

// Key paths, relative to their hives.
inline const QString kProductKey = QStringLiteral("SOFTWARE\\Vantry\\MurmelMailer");
inline const QString kRunKey = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
inline const QString kAudioKey = QStringLiteral(".Default\\Software\\Microsoft\\Multimedia\\Audio");
inline const QString kInternationalKey = QStringLiteral("Control Panel\\International");
inline const QString kInternetSettingsKey =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");

// Name of the Run value and of the autostart entry that mirrors it.
inline const QString kRunValueName = QStringLiteral("MurmelMail");

// Thin accessor bound to one hive. Text is stored as UTF-8.
class cRegistryUtils {
public:
    explicit cRegistryUtils(
        std::filesystem::path folder = vantry::registry::Store::DefaultFolder());

    // Write-only: the hive every later call works under. Must be set first;
    // an unknown handle makes every call fail quietly.
    void setMainKey(uint32_t hive);

    // Writes a string value into an existing key; nothing when the key is missing.
    void SetData(const QString& keyPath, const QString& valueName, const QString& value);
    // The value's data, of any type, read as text up to the first zero byte;
    // "" when the key or value is missing.
    QString GetData(const QString& keyPath, const QString& valueName) const;
    // True when the key exists afterwards (created with its parents if needed).
    bool CheckKeyIsThere(const QString& keyPath);

private:
    vantry::registry::Store store_;
    uint32_t MainKey_ = 0;
};

// The program-wide settings object (start-up's `Settings`).
class cRegistry {
public:
    explicit cRegistry(std::filesystem::path folder = vantry::registry::Store::DefaultFolder());

    // One accessor pair for each setting of the list in settings.h, so the
    // list is the one place a setting is declared. Most are values of the
    // product key (HKEY_LOCAL_MACHINE); cregistry.cpp says where the system
    // values and the Run value live.
    // clang-format off
#define MURMEL_REGISTRY_GET(name) QString name() const;
#define MURMEL_REGISTRY_SET(name) void set##name(const QString& value);
#define MURMEL_REGISTRY_BOTH(name) MURMEL_REGISTRY_GET(name) MURMEL_REGISTRY_SET(name)
    MURMEL_SETTINGS(MURMEL_REGISTRY_BOTH, MURMEL_REGISTRY_GET, MURMEL_REGISTRY_SET)
#undef MURMEL_REGISTRY_BOTH
#undef MURMEL_REGISTRY_GET
#undef MURMEL_REGISTRY_SET
    // clang-format on

    // Makes the product, Run, audio and international keys exist; writes no values.
    void VerifyRegistry();

    // The HTTP proxy of the Internet settings: "" when none is enabled,
    // "XXX" when one is enabled but no HTTP proxy can be found.
    QString GetIeHttpProxy() const;

private:
    // Field order as designed; see the constructor for the creation order.
    cRegistryUtils cUserProxy_;  // HKEY_CURRENT_USER, proxy lookup only
    cRegistryUtils cMachine_;    // HKEY_LOCAL_MACHINE
    cRegistryUtils cUsers_;      // HKEY_USERS
    cRegistryUtils cUser_;       // HKEY_CURRENT_USER
};

// The command the Run value holds when the program starts at log-on:
// the program folder followed by "/Murmel.exe 1".
QString RunCommandFor(const QString& programFolder);

// The options window's rule after saving Autorun: anything other than "0"
// sets the Run value to RunCommandFor(programFolder), "0" empties it.
void ApplyRunEntry(cRegistry& settings, const QString& programFolder);

// Start-up's recording-format rule: keep the format already in force as the
// system default, else adopt preferredFormat (the language string reg0001)
// when the system lists it, compared ignoring case.
void ApplyRecordingFormat(cRegistry& settings, const QString& preferredFormat);

// The command line of the autostart entry for a Run value: the program that
// is running (`executable`) with the arguments that follow "Murmel.exe" in
// the value; a value naming no such program is taken as a command line of
// its own. "" for an empty value.
QString AutostartCommandFor(const QString& runValue, const QString& executable);

}  // namespace murmel
