#pragma once
// The relay's settings: built-in defaults, then the INI file (section
// [relay]), then command-line flags. Every setting is one row of one table,
// so a flag --name VALUE and an INI key name=VALUE always mean the same.

#include <cstdint>
#include <string>
#include <vector>

#include "core/delivery.h"
#include "core/http_server.h"

namespace murmel::relay {

struct RelayConfig {
    std::string configFile;  // the INI file read, if any
    std::string listen = "127.0.0.1:8025";
    std::string spool;    // ${XDG_DATA_HOME:-~/.local/share}/murmel-relay/spool
    std::string maildir;  // ${XDG_DATA_HOME:-~/.local/share}/murmel-relay/Maildir
    std::string ads;      // ${XDG_DATA_HOME:-~/.local/share}/murmel-relay/ads, else the shipped one
    // Client networks that may connect at all.
    std::string allow = "127.0.0.0/8, ::1/128, 10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16, fc00::/7";
    std::string senderDomains;       // empty: any
    std::string recipientDomains;    // empty: any
    unsigned uploadsPerMinute = 30;  // per client; 0 switches the limit off
    unsigned uploadBurst = 20;
    ServerLimits limits;
    DeliveryLimits delivery;
    // SMTP smarthost; empty url: Maildir delivery.
    std::string smtpUrl;        // smtp://host:port or smtps://host:port
    bool smtpStartTls = false;  // require STARTTLS on smtp://
    std::string smtpUser;
    std::string smtpPassword;
    std::string smtpHelo;
    std::string smtpCaFile;  // trust this CA for the smarthost's certificate
};

struct ConfigResult {
    RelayConfig config;
    std::vector<std::string> errors;
    bool list = false;       // --list
    bool checkOnly = false;  // --check-config
    bool help = false;
};

// Reads the INI file (--config PATH, else ${XDG_CONFIG_HOME:-~/.config}/murmel-relay.ini
// when it exists) and the flags in argv. shippedAds is the ads folder of the installation.
ConfigResult LoadConfig(int argc, const char* const* argv, const std::string& shippedAds);

// Checks what can be checked without starting: addresses, networks, URL, the
// secret file's permissions.
std::vector<std::string> ValidateConfig(const RelayConfig& config);

std::string UsageText();

}  // namespace murmel::relay
