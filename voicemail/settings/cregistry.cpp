#include "settings/cregistry.h"

#include <QCoreApplication>

#include "registry/autostart.h"

namespace murmel {
namespace {

namespace reg = vantry::registry;

std::optional<reg::Hive> HiveOf(uint32_t handle) {
    switch (handle) {
        case HKEY_CLASSES_ROOT:
            return reg::Hive::ClassesRoot;
        case HKEY_CURRENT_USER:
            return reg::Hive::CurrentUser;
        case HKEY_LOCAL_MACHINE:
            return reg::Hive::LocalMachine;
        case HKEY_USERS:
            return reg::Hive::Users;
        default:
            return std::nullopt;
    }
}

std::string Bytes(const QString& text) {
    return text.toUtf8().toStdString();
}

// The program that should start at log-on: this one when it runs inside a
// Qt application, else whatever "murmel" the search path finds.
QString RunningProgram() {
    if (QCoreApplication::instance() != nullptr) {
        const QString path = QCoreApplication::applicationFilePath();
        if (!path.isEmpty()) {
            return path;
        }
    }
    return QStringLiteral("murmel");
}

}  // namespace

cRegistryUtils::cRegistryUtils(std::filesystem::path folder) : store_(std::move(folder)) {}

void cRegistryUtils::setMainKey(uint32_t hive) {
    MainKey_ = hive;
}

void cRegistryUtils::SetData(const QString& keyPath, const QString& valueName,
                             const QString& value) {
    const auto hive = HiveOf(MainKey_);
    if (!hive) {
        return;
    }
    // The store refuses a missing key, so nothing is created here.
    store_.SetValue(*hive, Bytes(keyPath), Bytes(valueName), reg::Value::String(Bytes(value)));
}

QString cRegistryUtils::GetData(const QString& keyPath, const QString& valueName) const {
    const auto hive = HiveOf(MainKey_);
    if (!hive) {
        return {};
    }
    reg::Value value;
    if (store_.QueryValue(*hive, Bytes(keyPath), Bytes(valueName), &value) != reg::kSuccess) {
        return {};
    }
    // Whatever the type: the bytes up to the first zero, so the DWORD 1
    // reads as the character 1 and the DWORD 0 as "".
    return QString::fromUtf8(value.Text());
}

bool cRegistryUtils::CheckKeyIsThere(const QString& keyPath) {
    const auto hive = HiveOf(MainKey_);
    if (!hive) {
        return false;
    }
    const std::string path = Bytes(keyPath);
    if (store_.KeyExists(*hive, path)) {
        return true;
    }
    return store_.CreateKey(*hive, path) == reg::kSuccess;
}

cRegistry::cRegistry(std::filesystem::path folder)
    : cUserProxy_(folder), cMachine_(folder), cUsers_(folder), cUser_(folder) {
    cMachine_.setMainKey(HKEY_LOCAL_MACHINE);
    cUsers_.setMainKey(HKEY_USERS);
    cUser_.setMainKey(HKEY_CURRENT_USER);
    cUserProxy_.setMainKey(HKEY_CURRENT_USER);
}

#define MURMEL_PRODUCT_SETTING(Property, ValueName)                       \
    QString cRegistry::Property() const {                                 \
        return cMachine_.GetData(kProductKey, QStringLiteral(ValueName)); \
    }                                                                     \
    void cRegistry::set##Property(const QString& value) {                 \
        cMachine_.SetData(kProductKey, QStringLiteral(ValueName), value); \
    }

MURMEL_PRODUCT_SETTING(MyName, "Name")
MURMEL_PRODUCT_SETTING(LastAdUpdate, "LastAdUpdate")
MURMEL_PRODUCT_SETTING(MyOrganization, "Organization")
MURMEL_PRODUCT_SETTING(ConnectTo, "ConnectTo")
MURMEL_PRODUCT_SETTING(InVolume, "InVolume")
MURMEL_PRODUCT_SETTING(OutVolume, "OutVolume")
MURMEL_PRODUCT_SETTING(MyEmail, "Email")
MURMEL_PRODUCT_SETTING(MyCc, "Cc")
MURMEL_PRODUCT_SETTING(MyNote, "Note")
MURMEL_PRODUCT_SETTING(PlaySounds, "PlaySounds")
MURMEL_PRODUCT_SETTING(Autorun, "Autorun")
MURMEL_PRODUCT_SETTING(KnownAddressBooks, "KnownAddressBooks")
MURMEL_PRODUCT_SETTING(AddressBook, "AddressBook")
MURMEL_PRODUCT_SETTING(WaveType, "RecordingFormat")

#undef MURMEL_PRODUCT_SETTING

// Provided by the installation, never written.
QString cRegistry::LogoClick() const {
    return cMachine_.GetData(kProductKey, QStringLiteral("LogoClick"));
}

// HKEY_CURRENT_USER international "Locale"; empty unless it is eight
// hexadecimal digits.
QString cRegistry::UserLanguage() const {
    // The locale names a language file and goes into every item: anything but
    // eight hexadecimal digits could point outside lang/ or into a header.
    const QString locale = cUser_.GetData(kInternationalKey, QStringLiteral("Locale"));
    if (locale.size() != 8) {
        return {};
    }
    for (const QChar c : locale) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F'))) {
            return {};
        }
    }
    return locale;
}

// HKEY_USERS audio "SystemFormats" and "DefaultFormat".
QString cRegistry::WaveTypes() const {
    return cUsers_.GetData(kAudioKey, QStringLiteral("SystemFormats"));
}

void cRegistry::setDefaultWave(const QString& value) {
    cUsers_.SetData(kAudioKey, QStringLiteral("DefaultFormat"), value);
}

// The Run value. Setting it also writes or removes the autostart entry so
// that it mirrors what the value then holds.
QString cRegistry::SetRunAtInitialization() const {
    return cMachine_.GetData(kRunKey, kRunValueName);
}

void cRegistry::setSetRunAtInitialization(const QString& value) {
    cMachine_.SetData(kRunKey, kRunValueName, value);
    // Mirror what the value holds now: a write lost to a missing key must
    // not leave an entry behind either.
    const QString command = AutostartCommandFor(SetRunAtInitialization(), RunningProgram());
    vantry::registry::MirrorAutostart(Bytes(kRunValueName), Bytes(command));
}

void cRegistry::VerifyRegistry() {
    cMachine_.CheckKeyIsThere(kProductKey);
    cMachine_.CheckKeyIsThere(kRunKey);
    cUsers_.CheckKeyIsThere(kAudioKey);
    cUser_.CheckKeyIsThere(kInternationalKey);
}

QString cRegistry::GetIeHttpProxy() const {
    if (cUserProxy_.GetData(kInternetSettingsKey, QStringLiteral("ProxyEnable")).isEmpty()) {
        return {};
    }
    const QString server = cUserProxy_.GetData(kInternetSettingsKey, QStringLiteral("ProxyServer"));
    const QString marker = QStringLiteral("http=");
    const qsizetype at = server.indexOf(marker, 0, Qt::CaseInsensitive);
    const QString head = at < 0 ? server : server.left(at);
    const QString rest = at < 0 ? QString() : server.mid(at + marker.size());
    if (!rest.isEmpty()) {
        return rest.section(QLatin1Char(';'), 0, 0);
    }
    if (!head.isEmpty() && !head.contains(QLatin1Char('='))) {
        return head;
    }
    return QStringLiteral("XXX");
}

QString RunCommandFor(const QString& programFolder) {
    return programFolder + QStringLiteral("/Murmel.exe 1");
}

void ApplyRunEntry(cRegistry& settings, const QString& programFolder) {
    settings.setSetRunAtInitialization(
        settings.Autorun() != QStringLiteral("0") ? RunCommandFor(programFolder) : QString());
}

void ApplyRecordingFormat(cRegistry& settings, const QString& preferredFormat) {
    const QString inForce = settings.WaveType();
    if (!inForce.isEmpty()) {
        settings.setDefaultWave(inForce);
    } else if (settings.WaveTypes().contains(preferredFormat, Qt::CaseInsensitive)) {
        settings.setDefaultWave(preferredFormat);
        settings.setWaveType(preferredFormat);
    }
}

QString AutostartCommandFor(const QString& runValue, const QString& executable) {
    if (runValue.trimmed().isEmpty()) {
        return {};
    }
    const QString program = QStringLiteral("murmel.exe");
    const qsizetype at = runValue.lastIndexOf(program, -1, Qt::CaseInsensitive);
    if (at < 0) {
        return runValue;
    }
    const QString arguments = runValue.mid(at + program.size()).trimmed();
    QString command = executable.contains(QLatin1Char(' '))
                          ? QLatin1Char('"') + executable + QLatin1Char('"')
                          : executable;
    if (!arguments.isEmpty()) {
        command += QLatin1Char(' ') + arguments;
    }
    return command;
}

}  // namespace murmel
