#include "core/spool_listing.h"

#include <ctime>
#include <deque>

#include "base/regular_file.h"
#include "core/header_part.h"

namespace murmel::relay {

namespace {

constexpr std::size_t kMaxLogBytes = 4 << 20;

std::string Stamp(std::int64_t t) {
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm utc{};
    gmtime_r(&tt, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string Printable(std::string s) {
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '?';
        }
    }
    return s;
}

}  // namespace

std::string SpoolListing(const Spool& spool, std::size_t lastDeliveries) {
    std::string out;
    const auto queued = spool.Queued();
    out += "queued: " + std::to_string(queued.size()) + "\n";
    for (const std::string& id : queued) {
        std::string error;
        const auto item = spool.Load(id, &error);
        if (!item) {
            out += "  " + id + "  (" + error + ")\n";
            continue;
        }
        const auto header = ParseHeaderPart(item->header, static_cast<std::size_t>(-1));
        out += "  " + id + "  " + Stamp(item->received) + "  client=" + item->client;
        if (header.part) {
            out += "  from=" + Printable(header.part->from) + "  to=" + Printable(header.part->to);
        }
        out += "\n";
    }
    const auto failed = spool.Failed();
    out += "failed: " + std::to_string(failed.size()) + "\n";
    for (const std::string& id : failed) {
        std::string reason =
            vantry::ReadRegularFile((spool.root() / "failed" / (id + ".reason")).string(), 4096)
                .value_or("");
        while (!reason.empty() && reason.back() == '\n') {
            reason.pop_back();
        }
        out += "  " + id + "  " + Printable(reason) + "\n";
    }
    out += "last deliveries:\n";
    const std::string log =
        vantry::ReadRegularFile((spool.root() / "delivered.log").string(), kMaxLogBytes)
            .value_or("");
    std::deque<std::string> tail;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos) {
            end = log.size();
        }
        tail.push_back(log.substr(start, end - start));
        if (tail.size() > lastDeliveries) {
            tail.pop_front();
        }
        start = end + 1;
    }
    for (const std::string& line : tail) {
        out += "  " + Printable(line) + "\n";
    }
    return out;
}

}  // namespace murmel::relay
