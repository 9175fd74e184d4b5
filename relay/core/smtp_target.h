#pragma once
// Delivery to the site's mail server over SMTP (libcurl): smtp:// with
// STARTTLS when required, or smtps://, and AUTH when a user is set. A 4xx
// reply or a connection that fails is temporary; a 5xx reply is permanent,
// and the server's last reply line becomes the reason.

#include <filesystem>
#include <string>

#include "core/delivery.h"

namespace murmel::relay {

struct SmtpSettings {
    std::string url;  // smtp://host:port or smtps://host:port
    bool requireStartTls = false;
    std::string user;
    std::string password;
    std::string helo;    // the name in EHLO; curl's default when empty
    std::string caFile;  // trust this CA for the server's certificate
    long timeoutSeconds = 300;
};

class SmtpTarget : public DeliveryTarget {
public:
    SmtpTarget(SmtpSettings settings, std::filesystem::path workDir);
    DeliveryOutcome Deliver(const MailInput& input) override;

private:
    SmtpSettings settings_;
    std::filesystem::path workDir_;
};

}  // namespace murmel::relay
