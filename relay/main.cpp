// murmel-relay: takes Murmel's uploads into a spool and serves its ads.

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/ad_folder.h"
#include "core/delivery.h"
#include "core/event_log.h"
#include "core/http_server.h"
#include "core/spool.h"

namespace {

std::string DataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/share";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace murmel::relay;
    std::string listen = "127.0.0.1:8025";
    std::string spoolDir = DataHome() + "/murmel-relay/spool";
    std::string maildirPath = DataHome() + "/murmel-relay/Maildir";
    std::string adsDir = DataHome() + "/murmel-relay/ads";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--listen" && i + 1 < argc) {
            listen = argv[++i];
        } else if (arg == "--spool" && i + 1 < argc) {
            spoolDir = argv[++i];
        } else if (arg == "--ads" && i + 1 < argc) {
            adsDir = argv[++i];
        } else if (arg == "--maildir" && i + 1 < argc) {
            maildirPath = argv[++i];
        } else {
            std::fprintf(
                stderr, "usage: murmel-relay [--listen ADDR:PORT] [--spool DIR] [--maildir DIR]\n");
            return 2;
        }
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    EventLog log;
    Spool spool(spoolDir);
    std::string error;
    if (!spool.Prepare(&error)) {
        std::fprintf(stderr, "murmel-relay: %s\n", error.c_str());
        return 1;
    }
    Maildir maildir(maildirPath);
    if (!maildir.Prepare(&error)) {
        std::fprintf(stderr, "murmel-relay: %s\n", error.c_str());
        return 1;
    }
    MaildirTarget target(maildir);
    DeliveryWorker worker(spool, target, log, DeliveryLimits{}, HostName());
    worker.Start();
    AdFolder ads(adsDir);
    HttpServer server(ServerLimits{}, spool, log, [&worker] { worker.Wake(); }, &ads);
    if (!server.Start(listen, &error)) {
        std::fprintf(stderr, "murmel-relay: %s\n", error.c_str());
        return 1;
    }
    int signalNumber = 0;
    sigwait(&stopSignals, &signalNumber);
    log.Event("stopping", "", "");
    server.Stop();
    worker.Stop();
    return 0;
}
