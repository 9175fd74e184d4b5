#include "core/event_log.h"

#include <cstdio>
#include <ctime>

namespace murmel::relay {

EventLog::EventLog(Sink sink) : sink_(std::move(sink)) {}

void EventLog::Event(std::string_view kind, std::string_view id, std::string_view detail) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = std::string(stamp) + " " + std::string(kind) + " " +
                       (id.empty() ? std::string("-") : std::string(id));
    if (!detail.empty()) {
        line += " ";
        // Outside text never breaks the one-line format.
        for (char c : detail) {
            line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
        }
    }
    std::lock_guard lock(mutex_);
    if (sink_) {
        sink_(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

}  // namespace murmel::relay
