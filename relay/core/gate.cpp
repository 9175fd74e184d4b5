#include "core/gate.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "base/ascii.h"
#include "base/integer.h"
#include "core/header_part.h"

namespace murmel::relay {

namespace {

constexpr std::size_t kMaxBuckets = 100000;

std::string Trim(const std::string& s) {
    return std::string(vantry::TrimAscii(s));
}

// The list's items, trimmed; empty ones dropped.
std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    for (std::string_view item : SplitAddressList(text)) {
        std::string trimmed(vantry::TrimAscii(item));
        if (!trimmed.empty()) {
            items.push_back(std::move(trimmed));
        }
    }
    return items;
}

bool DomainAllowed(const std::string& domain, const std::vector<std::string>& allowed) {
    for (const std::string& a : allowed) {
        // "example.org" also covers its subdomains.
        if (domain == a || (domain.size() > a.size() && domain.ends_with("." + a))) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<Network> ParseNetwork(const std::string& raw) {
    const std::string text = Trim(raw);
    const std::size_t slash = text.find('/');
    const std::string host = text.substr(0, slash);
    Network n;
    unsigned maxPrefix = 0;
    if (inet_pton(AF_INET, host.c_str(), n.address) == 1) {
        n.family = AF_INET;
        maxPrefix = 32;
    } else if (inet_pton(AF_INET6, host.c_str(), n.address) == 1) {
        n.family = AF_INET6;
        maxPrefix = 128;
    } else {
        return std::nullopt;
    }
    n.prefix = maxPrefix;
    if (slash != std::string::npos) {
        const std::string bits = text.substr(slash + 1);
        const auto prefix = vantry::ParseInteger<decltype(n.prefix)>(bits);
        if (!prefix || *prefix > maxPrefix) {
            return std::nullopt;
        }
        n.prefix = *prefix;
    }
    return n;
}

std::vector<Network> ParseNetworks(const std::string& text, std::vector<std::string>* errors) {
    std::vector<Network> networks;
    for (const std::string& item : SplitList(text)) {
        if (auto n = ParseNetwork(item)) {
            networks.push_back(*n);
        } else if (errors != nullptr) {
            errors->push_back("not a network: " + item);
        }
    }
    return networks;
}

bool NetworkContains(const Network& network, const std::string& address) {
    unsigned char bytes[16] = {};
    int family = 0;
    if (inet_pton(AF_INET, address.c_str(), bytes) == 1) {
        family = AF_INET;
    } else if (inet_pton(AF_INET6, address.c_str(), bytes) == 1) {
        family = AF_INET6;
        // An IPv4 client on an IPv6 socket arrives as ::ffff:a.b.c.d.
        static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        if (network.family == AF_INET && std::memcmp(bytes, kMapped, 12) == 0) {
            std::memmove(bytes, bytes + 12, 4);
            family = AF_INET;
        }
    }
    if (family != network.family) {
        return false;
    }
    const unsigned full = network.prefix / 8;
    if (std::memcmp(bytes, network.address, full) != 0) {
        return false;
    }
    const unsigned rest = network.prefix % 8;
    if (rest == 0) {
        return true;
    }
    const auto mask = static_cast<unsigned char>(0xff << (8 - rest));
    return (bytes[full] & mask) == (network.address[full] & mask);
}

std::vector<std::string> AddressDomains(const std::string& list) {
    std::vector<std::string> domains;
    for (const std::string& item : SplitList(list)) {
        std::string address = item;
        const std::size_t open = item.rfind('<');
        if (open != std::string::npos) {
            address = item.substr(open + 1, item.find('>', open) - open - 1);
        }
        const std::size_t at = address.rfind('@');
        domains.push_back(at == std::string::npos
                              ? std::string()
                              : vantry::LowerAscii(Trim(address.substr(at + 1))));
    }
    return domains;
}

NetworkGate::NetworkGate(std::vector<Network> allowed, std::vector<std::string> senderDomains,
                         std::vector<std::string> recipientDomains, unsigned uploadsPerMinute,
                         unsigned burst, Clock clock)
    : allowed_(std::move(allowed)),
      senderDomains_(std::move(senderDomains)),
      recipientDomains_(std::move(recipientDomains)),
      perSecond_(uploadsPerMinute / 60.0),
      burst_(std::max(1u, burst)),
      clock_(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now)) {
    for (auto* list : {&senderDomains_, &recipientDomains_}) {
        for (std::string& d : *list) {
            d = vantry::LowerAscii(Trim(d));
        }
    }
}

std::string NetworkGate::Admit(const std::string& client, bool upload, int* status) {
    const bool allowed = std::any_of(allowed_.begin(), allowed_.end(), [&client](const Network& n) {
        return NetworkContains(n, client);
    });
    if (!allowed) {
        *status = MHD_HTTP_FORBIDDEN;
        return "client network not allowed";
    }
    if (!upload || perSecond_ <= 0) {
        return {};
    }
    const auto now = clock_();
    std::lock_guard lock(mutex_);
    if (buckets_.size() > kMaxBuckets) {
        buckets_.clear();  // a flood of addresses must not grow memory without end
    }
    auto [it, fresh] = buckets_.try_emplace(client, Bucket{burst_, now});
    Bucket& b = it->second;
    if (!fresh) {
        const double seconds = std::chrono::duration<double>(now - b.last).count();
        b.tokens = std::min(burst_, b.tokens + seconds * perSecond_);
        b.last = now;
    }
    if (b.tokens < 1.0) {
        *status = MHD_HTTP_TOO_MANY_REQUESTS;
        return "too many uploads from this client";
    }
    b.tokens -= 1.0;
    return {};
}

std::string NetworkGate::CheckAddresses(const std::string& from, const std::string& toAndCc) {
    if (!senderDomains_.empty()) {
        for (const std::string& d : AddressDomains(from)) {
            if (!DomainAllowed(d, senderDomains_)) {
                return "sender domain not allowed: " + d;
            }
        }
    }
    if (!recipientDomains_.empty()) {
        for (const std::string& d : AddressDomains(toAndCc)) {
            if (!DomainAllowed(d, recipientDomains_)) {
                return "recipient domain not allowed: " + d;
            }
        }
    }
    return {};
}

}  // namespace murmel::relay
