#pragma once
// One line per event on stderr: "2026-12-07T20:30:00Z accepted 20261207203000-1a2b3c client=..."
// Events: accepted, spooled, delivered, deferred, failed, refused, and the
// relay's own start and stop.

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace murmel::relay {

class EventLog {
public:
    using Sink = std::function<void(const std::string& line)>;
    // Lines go to stderr unless a sink is given.
    explicit EventLog(Sink sink = {});

    void Event(std::string_view kind, std::string_view id, std::string_view detail);

private:
    Sink sink_;
    std::mutex mutex_;
};

}  // namespace murmel::relay
