#include "core/config.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "base/integer.h"
#include "base/regular_file.h"
#include "core/gate.h"
#include "profile/ini_document.h"

namespace murmel::relay {

namespace {

constexpr const char* kSection = "relay";
constexpr std::size_t kMaxConfigBytes = 1 << 20;

template <typename T>
bool Number(const std::string& text, T* out) {
    const auto value = vantry::ParseInteger<T>(text);
    if (value) {
        *out = *value;
    }
    return value.has_value();
}

bool Flag(const std::string& text, bool* out) {
    if (text == "yes" || text == "true" || text == "1" || text == "on") {
        *out = true;
        return true;
    }
    if (text == "no" || text == "false" || text == "0" || text == "off") {
        *out = false;
        return true;
    }
    return false;
}

// The setting a row writes, reached through a path of members, e.g.
// &RelayConfig::limits then &ServerLimits::threads.
template <auto Member, auto... Rest>
auto& Field(auto& object) {
    if constexpr (sizeof...(Rest) == 0) {
        return object.*Member;
    } else {
        return Field<Rest...>(object.*Member);
    }
}

template <auto... Path>
bool SetText(RelayConfig& c, const std::string& v) {
    Field<Path...>(c) = v;
    return true;
}

template <auto... Path>
bool SetNumber(RelayConfig& c, const std::string& v) {
    return Number(v, &Field<Path...>(c));
}

template <auto... Path>
bool SetFlag(RelayConfig& c, const std::string& v) {
    return Flag(v, &Field<Path...>(c));
}

struct Option {
    const char* name;
    const char* help;
    bool (*set)(RelayConfig&, const std::string&);
};

constexpr auto kLimits = &RelayConfig::limits;
constexpr auto kDelivery = &RelayConfig::delivery;

// clang-format off
const Option kOptions[] = {
    {"listen", "ADDR:PORT to listen on (default 127.0.0.1:8025)", SetText<&RelayConfig::listen>},
    {"spool", "spool folder", SetText<&RelayConfig::spool>},
    {"maildir", "Maildir that receives the mail", SetText<&RelayConfig::maildir>},
    {"ads", "ads folder (ads.txt and pictures)", SetText<&RelayConfig::ads>},
    {"allow", "client networks allowed, comma-separated CIDRs", SetText<&RelayConfig::allow>},
    {"sender-domains", "only senders of these domains (default any)",
     SetText<&RelayConfig::senderDomains>},
    {"recipient-domains", "only recipients of these domains (default any)",
     SetText<&RelayConfig::recipientDomains>},
    {"uploads-per-minute", "uploads per client and minute, 0 for no limit (default 30)",
     SetNumber<&RelayConfig::uploadsPerMinute>},
    {"upload-burst", "uploads a client may send at once (default 20)",
     SetNumber<&RelayConfig::uploadBurst>},
    {"max-request-bytes", "largest upload (default 33554432)",
     SetNumber<kLimits, &ServerLimits::maxRequestBytes>},
    {"max-header-bytes", "largest header part (default 65536)",
     SetNumber<kLimits, &ServerLimits::maxHeaderBytes>},
    {"max-recipients", "most To and Cc addresses (default 50)",
     SetNumber<kLimits, &ServerLimits::maxRecipients>},
    {"max-wave-bytes", "largest recording once unzipped (default 134217728)",
     [](RelayConfig& c, const std::string& v) {
         return Number(v, &c.limits.maxWaveBytes) && Number(v, &c.delivery.maxWaveBytes);
     }},
    {"attachment", "wav (default) or opus: the format of the recording in the mail",
     [](RelayConfig& c, const std::string& v) {
         if (v != "wav" && v != "opus") {
             return false;
         }
         c.delivery.attachment = v == "opus" ? SoundFormat::Opus : SoundFormat::Wave;
         return true;
     }},
    {"threads", "HTTP threads (default 2)",
     [](RelayConfig& c, const std::string& v) { return Number(v, &c.limits.threads) && c.limits.threads > 0; }},
    {"connection-limit", "open connections at most (default 4000)",
     SetNumber<kLimits, &ServerLimits::connectionLimit>},
    {"timeout", "seconds a silent connection is kept (default 120)",
     SetNumber<kLimits, &ServerLimits::timeoutSeconds>},
    {"retry-first-seconds", "first retry after a temporary failure (default 60)",
     SetNumber<kDelivery, &DeliveryLimits::firstRetrySeconds>},
    {"retry-max-seconds", "longest wait between retries (default 3600)",
     SetNumber<kDelivery, &DeliveryLimits::maxRetrySeconds>},
    {"give-up-seconds", "age at which a deferred item fails (default 432000)",
     SetNumber<kDelivery, &DeliveryLimits::giveUpSeconds>},
    {"smtp-url", "deliver to this smarthost, smtp://host:port or smtps://host:port",
     SetText<&RelayConfig::smtpUrl>},
    {"smtp-starttls", "yes: require STARTTLS on smtp:// (default no)",
     SetFlag<&RelayConfig::smtpStartTls>},
    {"smtp-user", "AUTH user name", SetText<&RelayConfig::smtpUser>},
    {"smtp-password", "AUTH password (INI file only, mode 0600)", SetText<&RelayConfig::smtpPassword>},
    {"smtp-ca-file", "CA certificate(s) to trust for the smarthost", SetText<&RelayConfig::smtpCaFile>},
    {"smtp-helo", "name given in EHLO", SetText<&RelayConfig::smtpHelo>},
};
// clang-format on

const Option* FindOption(const std::string& name) {
    for (const Option& o : kOptions) {
        if (name == o.name) {
            return &o;
        }
    }
    return nullptr;
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

std::string XdgHome(const char* variable, const char* fallback) {
    const std::string xdg = Env(variable);
    if (!xdg.empty()) {
        return xdg;
    }
    const std::string home = Env("HOME");
    return (home.empty() ? std::string(".") : home) + "/" + fallback;
}

}  // namespace

std::string UsageText() {
    std::string text =
        "usage: murmel-relay [--config FILE] [--OPTION VALUE ...] [--list | --check-config]\n"
        "  --config FILE     INI file, section [relay], keys as the options below\n"
        "                    (default ${XDG_CONFIG_HOME:-~/.config}/murmel-relay.ini)\n"
        "  --list            show queued and failed items and the last deliveries\n"
        "  --check-config    check the configuration and exit\n";
    for (const Option& o : kOptions) {
        std::string flag = std::string("  --") + o.name + " V";
        flag.resize(std::max<std::size_t>(flag.size() + 1, 22), ' ');
        text += flag + o.help + "\n";
    }
    return text;
}

ConfigResult LoadConfig(int argc, const char* const* argv, const std::string& shippedAds) {
    ConfigResult r;
    RelayConfig& c = r.config;
    const std::string data = XdgHome("XDG_DATA_HOME", ".local/share") + "/murmel-relay";
    c.spool = data + "/spool";
    c.maildir = data + "/Maildir";
    c.ads = std::filesystem::exists(data + "/ads/ads.txt") ? data + "/ads" : shippedAds;

    // First pass: only where the INI file is and which mode to run in.
    std::string configPath;
    bool explicitConfig = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--config" && i + 1 < argc) {
            configPath = argv[++i];
            explicitConfig = true;
        } else if (arg == "--list") {
            r.list = true;
        } else if (arg == "--check-config") {
            r.checkOnly = true;
        } else if (arg == "--help" || arg == "-h") {
            r.help = true;
        }
    }
    if (!explicitConfig) {
        configPath = XdgHome("XDG_CONFIG_HOME", ".config") + "/murmel-relay.ini";
    }
    if (explicitConfig || std::filesystem::exists(configPath)) {
        const auto text = vantry::ReadRegularFile(configPath, kMaxConfigBytes);
        if (!text) {
            r.errors.push_back("cannot read config file " + configPath);
        } else {
            c.configFile = configPath;
            const auto ini = vantry::profile::IniDocument::Parse(*text);
            for (const Option& o : kOptions) {
                if (const auto value = ini.Get(kSection, o.name)) {
                    if (!o.set(c, *value)) {
                        r.errors.push_back(configPath + ": bad value for " + o.name + ": " +
                                           *value);
                    }
                }
            }
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--config") {
            ++i;
            continue;
        }
        if (arg == "--list" || arg == "--check-config" || arg == "--help" || arg == "-h") {
            continue;
        }
        const Option* o = arg.starts_with("--") ? FindOption(arg.substr(2)) : nullptr;
        if (o == nullptr || i + 1 >= argc) {
            r.errors.push_back("unknown option or missing value: " + arg);
            if (i + 1 < argc && !std::string_view(argv[i + 1]).starts_with("--")) {
                ++i;  // its value
            }
            continue;
        }
        if (std::string(o->name) == "smtp-password") {
            // Other users can read a command line; the password lives in the INI file.
            r.errors.push_back("--smtp-password is only read from the config file");
            ++i;
            continue;
        }
        const std::string value = argv[++i];
        if (!o->set(c, value)) {
            r.errors.push_back("bad value for " + arg + ": " + value);
        }
    }
    return r;
}

std::vector<std::string> ValidateConfig(const RelayConfig& c) {
    std::vector<std::string> errors;
    std::string host;
    std::uint16_t port = 0;
    if (!ParseListen(c.listen, &host, &port)) {
        errors.push_back("listen is not ADDR:PORT: " + c.listen);
    }
    ParseNetworks(c.allow, &errors);
    if (!c.smtpUrl.empty() && !c.smtpUrl.starts_with("smtp://") &&
        !c.smtpUrl.starts_with("smtps://")) {
        errors.push_back("smtp-url must begin smtp:// or smtps://: " + c.smtpUrl);
    }
    if (!c.smtpPassword.empty() && !c.configFile.empty()) {
        struct stat st {};
        if (::stat(c.configFile.c_str(), &st) == 0 && (st.st_mode & 077) != 0) {
            errors.push_back(c.configFile + " holds a password but others may read it (chmod 600)");
        }
    }
    if (c.smtpStartTls && c.smtpUrl.starts_with("smtps://")) {
        errors.push_back("smtp-starttls is for smtp:// (smtps:// is TLS from the start)");
    }
    return errors;
}

}  // namespace murmel::relay
