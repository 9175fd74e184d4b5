#include <gtest/gtest.h>

#include <microhttpd.h>

#include "core/gate.h"

namespace murmel::relay {
namespace {

bool Contains(const std::string& network, const std::string& address) {
    const auto n = ParseNetwork(network);
    return n && NetworkContains(*n, address);
}

TEST(Gate, NetworksMatchByPrefixForBothFamilies) {
    EXPECT_TRUE(Contains("127.0.0.0/8", "127.1.2.3"));
    EXPECT_FALSE(Contains("127.0.0.0/8", "128.0.0.1"));
    EXPECT_TRUE(Contains("172.16.0.0/12", "172.31.255.255"));
    EXPECT_FALSE(Contains("172.16.0.0/12", "172.32.0.0"));
    EXPECT_TRUE(Contains("192.168.1.7", "192.168.1.7"));
    EXPECT_FALSE(Contains("192.168.1.7", "192.168.1.8"));
    EXPECT_TRUE(Contains("::1/128", "::1"));
    EXPECT_TRUE(Contains("10.0.0.0/8", "::ffff:10.1.1.1"));
    EXPECT_FALSE(Contains("10.0.0.0/8", "::1"));
    EXPECT_TRUE(Contains("0.0.0.0/0", "8.8.8.8"));
    std::vector<std::string> errors;
    EXPECT_EQ(ParseNetworks("10.0.0.0/8, bogus, 10.0.0.0/33, ::/0", &errors).size(), 2u);
    EXPECT_EQ(errors.size(), 2u);
}

TEST(Gate, RefusesClientsOutsideTheAllowedNetworks) {
    NetworkGate gate(ParseNetworks("127.0.0.0/8", nullptr), {}, {}, 0, 1);
    int status = 0;
    EXPECT_EQ(gate.Admit("127.0.0.1", true, &status), "");
    EXPECT_EQ(gate.Admit("192.168.1.2", false, &status), "client network not allowed");
    EXPECT_EQ(status, MHD_HTTP_FORBIDDEN);
}

TEST(Gate, UploadsPerClientAreLimitedAndRefillOverTime) {
    auto now = std::chrono::steady_clock::time_point{};
    NetworkGate gate(ParseNetworks("0.0.0.0/0", nullptr), {}, {}, 60, 2, [&now] { return now; });
    int status = 0;
    EXPECT_EQ(gate.Admit("10.0.0.1", true, &status), "");
    EXPECT_EQ(gate.Admit("10.0.0.1", true, &status), "");
    EXPECT_NE(gate.Admit("10.0.0.1", true, &status), "");
    EXPECT_EQ(status, MHD_HTTP_TOO_MANY_REQUESTS);
    EXPECT_EQ(gate.Admit("10.0.0.2", true, &status), "");   // another client has its own bucket
    EXPECT_EQ(gate.Admit("10.0.0.1", false, &status), "");  // ads are not counted
    now += std::chrono::seconds(1);
    EXPECT_EQ(gate.Admit("10.0.0.1", true, &status), "");
    EXPECT_NE(gate.Admit("10.0.0.1", true, &status), "");
}

TEST(Gate, SenderAndRecipientDomainsAreCheckedWhenListed) {
    NetworkGate gate({}, {"x.org"}, {"b.org", "Corp.Example"}, 0, 1);
    EXPECT_EQ(
        gate.CheckAddresses("\"Hans, M\" <hans@X.org>", "a@b.org, \"C, D\" <c@mail.corp.example>"),
        "");
    EXPECT_EQ(gate.CheckAddresses("me@evil.org", "a@b.org"), "sender domain not allowed: evil.org");
    EXPECT_EQ(gate.CheckAddresses("me@x.org", "a@b.org, z@notb.org"),
              "recipient domain not allowed: notb.org");
    EXPECT_EQ(AddressDomains("a@b.org, \"x@y, z\" <q@r.net>, nobody"),
              (std::vector<std::string>{"b.org", "r.net", ""}));
}

}  // namespace
}  // namespace murmel::relay
