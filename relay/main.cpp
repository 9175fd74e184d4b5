// murmel-relay: takes Murmel's uploads into a spool, delivers them as e-mail
// and serves Murmel's ads.

#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/ad_folder.h"
#include "core/config.h"
#include "core/delivery.h"
#include "core/event_log.h"
#include "core/gate.h"
#include "core/http_server.h"
#include "core/smtp_target.h"
#include "core/spool.h"
#include "core/spool_listing.h"

namespace {

using namespace murmel::relay;

constexpr std::size_t kListedDeliveries = 20;

int Fail(const std::string& message) {
    std::fprintf(stderr, "murmel-relay: %s\n", message.c_str());
    return 1;
}

// Every open upload holds a socket and a spool file.
void RaiseFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

std::vector<std::string> SplitDomains(const std::string& text) {
    std::vector<std::string> domains;
    std::string current;
    for (char c : text + ",") {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!current.empty()) {
                domains.push_back(current);
            }
            current.clear();
        } else {
            current += c;
        }
    }
    return domains;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string shippedAds = std::filesystem::exists(MURMEL_RELAY_INSTALLED_ADS "/ads.txt")
                                       ? MURMEL_RELAY_INSTALLED_ADS
                                       : MURMEL_RELAY_SOURCE_ADS;
    ConfigResult loaded = LoadConfig(argc, argv, shippedAds);
    if (loaded.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    const RelayConfig& config = loaded.config;
    std::vector<std::string> errors = loaded.errors;
    for (std::string& e : ValidateConfig(config)) {
        errors.push_back(std::move(e));
    }
    if (loaded.checkOnly) {
        for (const std::string& e : errors) {
            std::fprintf(stderr, "murmel-relay: %s\n", e.c_str());
        }
        if (errors.empty()) {
            std::printf("configuration OK (%s)\n", config.configFile.empty()
                                                       ? "built-in defaults"
                                                       : config.configFile.c_str());
        }
        return errors.empty() ? 0 : 1;
    }
    if (!errors.empty()) {
        for (const std::string& e : errors) {
            std::fprintf(stderr, "murmel-relay: %s\n", e.c_str());
        }
        std::fprintf(stderr, "murmel-relay: see --help\n");
        return 2;
    }
    Spool spool(config.spool);
    if (loaded.list) {
        std::fputs(SpoolListing(spool, kListedDeliveries).c_str(), stdout);
        return 0;
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    RaiseFileLimit();

    EventLog log;
    std::string error;
    if (!spool.Prepare(&error)) {
        return Fail(error);
    }
    Maildir maildir(config.maildir);
    if (!maildir.Prepare(&error)) {
        return Fail(error);
    }
    MaildirTarget maildirTarget(maildir);
    SmtpTarget smtpTarget(SmtpSettings{config.smtpUrl, config.smtpStartTls, config.smtpUser,
                                       config.smtpPassword, config.smtpHelo, config.smtpCaFile},
                          spool.workDir());
    DeliveryTarget& target =
        config.smtpUrl.empty() ? static_cast<DeliveryTarget&>(maildirTarget) : smtpTarget;
    DeliveryWorker worker(spool, target, log, config.delivery, HostName());
    NetworkGate gate(ParseNetworks(config.allow, nullptr), SplitDomains(config.senderDomains),
                     SplitDomains(config.recipientDomains), config.uploadsPerMinute,
                     config.uploadBurst);
    AdFolder ads(config.ads);
    HttpServer server(
        config.limits, spool, log, [&worker] { worker.Wake(); }, &ads, &gate);
    worker.Start();
    if (!server.Start(config.listen, &error)) {
        worker.Stop();
        return Fail(error);
    }
    log.Event("started", "",
              "spool=" + config.spool + " ads=" + config.ads + " delivery=" +
                  (config.smtpUrl.empty() ? "maildir " + config.maildir : config.smtpUrl));
    int signalNumber = 0;
    sigwait(&stopSignals, &signalNumber);
    log.Event("stopping", "", "");
    server.Stop();
    worker.Stop();
    return 0;
}
