#pragma once
// Who may use the relay: client networks, sender and recipient domains, and a
// per-client rate of uploads (a token bucket).

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/http_server.h"

namespace murmel::relay {

struct Network {
    int family = 0;  // AF_INET or AF_INET6
    unsigned char address[16] = {};
    unsigned prefix = 0;
};

// "10.0.0.0/8", "::1/128", "192.168.1.7" (a single host). Nothing when malformed.
std::optional<Network> ParseNetwork(const std::string& text);
// A comma-separated list; malformed entries go to errors.
std::vector<Network> ParseNetworks(const std::string& text, std::vector<std::string>* errors);
bool NetworkContains(const Network& network, const std::string& address);

// The domains of the addresses of a list ("A <a@x.org>, b@y.org" -> x.org, y.org), lower case.
std::vector<std::string> AddressDomains(const std::string& list);

class NetworkGate : public Gate {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    NetworkGate(std::vector<Network> allowed, std::vector<std::string> senderDomains,
                std::vector<std::string> recipientDomains, unsigned uploadsPerMinute,
                unsigned burst, Clock clock = {});

    std::string Admit(const std::string& client, bool upload, int* status) override;
    std::string CheckAddresses(const std::string& from, const std::string& toAndCc) override;

private:
    struct Bucket {
        double tokens = 0;
        std::chrono::steady_clock::time_point last;
    };
    std::vector<Network> allowed_;
    std::vector<std::string> senderDomains_;
    std::vector<std::string> recipientDomains_;
    double perSecond_;
    double burst_;
    Clock clock_;
    std::mutex mutex_;
    std::map<std::string, Bucket> buckets_;
};

}  // namespace murmel::relay
