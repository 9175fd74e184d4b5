#pragma once
// The base of tests that talk to the stand-in NetworkManager: a private bus
// with the stand-in on it, and the backend a client finds there.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "dialup/nm_backend.h"
#include "dialup/testing/fake_network_manager.h"

namespace corvy::dialup {

// Failures show the fields, not the bytes.
inline void PrintTo(const EntryDetails& d, std::ostream* os) {
    *os << "{number \"" << d.number << "\", user \"" << d.user << "\", password \"" << d.password
        << "\"}";
}

namespace testing {

class NetworkManagerTest : public ::testing::Test {
protected:
    std::unique_ptr<DialUpBackend> FindBackend() {
        return FindNetworkManager(bus_.Connect("client"));
    }

    PrivateBus bus_;
    FakeNetworkManager nm_{bus_};
};

}  // namespace testing
}  // namespace corvy::dialup
