// The NetworkManager backend against a stand-in NetworkManager on a private
// bus: which profiles are entries, where stored details go, activation and
// deactivation of only our connection, and the online announcements.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "dialup/nm_backend.h"
#include "dialup/testing/network_manager_test.h"

using namespace corvy::dialup;
using corvy::dialup::testing::NetworkManagerTest;
using corvy::dialup::testing::PrivateBus;

namespace {

class NmBackendTest : public NetworkManagerTest {
protected:
    NmBackendTest() {
        // Profiles that are no dial-up entries stand first and in between.
        nm_.AddProfile("Wired", "802-3-ethernet", {});
        nm_.AddDialProfiles();
        nm_.AddProfile("Home", "802-11-wireless", {});
        nm_.AddProfile("Office", "vpn", {{"user-name", "me"}});
        nm_.AddProfile("Tunnel", "wireguard", {});
    }

    std::unique_ptr<DialUpBackend> Backend() {
        auto backend = FindBackend();
        EXPECT_NE(backend, nullptr);
        return backend;
    }
};

}  // namespace

TEST(NmBackend, NoNetworkManagerOnTheBusMeansNoBackend) {
    PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    EXPECT_EQ(FindNetworkManager(bus.Connect("lonely")), nullptr);
}

TEST_F(NmBackendTest, EntriesAreTheProfilesAUserDials) {
    auto backend = Backend();
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(backend->ListEntries(names, error)) << error;
    EXPECT_EQ(names, (std::vector<std::string>{"Mobile", "DSL", "Office", "Tunnel"}));
}

TEST_F(NmBackendTest, LookUpTakesOnlyTheFieldsAProfileKindHas) {
    auto backend = Backend();
    std::string error;
    EntryDetails d;
    ASSERT_TRUE(backend->LookUp("Mobile", d, error)) << error;
    EXPECT_EQ(d, (EntryDetails{"*99#", "web", "secret"}));
    ASSERT_TRUE(backend->LookUp("DSL", d, error));
    EXPECT_EQ(d, (EntryDetails{"", "dsl-user", "dsl-pw"}));
    ASSERT_TRUE(backend->LookUp("Office", d, error));
    EXPECT_EQ(d, (EntryDetails{"", "me", ""}));
    // A wired network is no entry even though the profile exists.
    EXPECT_FALSE(backend->LookUp("Wired", d, error));
    EXPECT_EQ(error, "The connection \"Wired\" does not exist.");
}

TEST_F(NmBackendTest, DialAppliesStoredDetailsInMemoryAndComesOnline) {
    auto backend = Backend();
    std::string error;
    EXPECT_FALSE(backend->Online(error));
    ASSERT_TRUE(backend->Dial("Mobile", {"555", "web", "other"}, error)) << error;
    EXPECT_EQ(nm_.Activated(), QStringList{"Mobile"});
    uint flags = 0;
    const auto update = nm_.LastUpdate(&flags);
    EXPECT_EQ(flags, 0x2u);  // the saved profile stays as it was
    EXPECT_EQ(update.value("gsm").value("number").toString(), "555");
    EXPECT_EQ(update.value("gsm").value("password").toString(), "other");
    EXPECT_EQ(update.value("connection").value("id").toString(), "Mobile");
    EXPECT_TRUE(backend->Online(error));
    ASSERT_TRUE(backend->HangUp());

    // Same details as saved: the profile is left alone. A VPN is dialed as saved.
    nm_.ClearLastUpdate();
    ASSERT_TRUE(backend->Dial("Mobile", {"*99#", "web", "secret"}, error)) << error;
    ASSERT_TRUE(backend->Dial("Office", {"1", "other", "pw"}, error)) << error;
    EXPECT_TRUE(nm_.LastUpdate().isEmpty());
}

TEST_F(NmBackendTest, HangUpEndsOnlyTheConnectionDialedHere) {
    nm_.ActivateElsewhere("Wired");
    auto backend = Backend();
    std::string error;
    EXPECT_FALSE(backend->HangUp());  // nothing of ours yet
    ASSERT_TRUE(backend->Dial("DSL", {"ignored", "dsl-user", "new-pw"}, error)) << error;
    const QString ours = nm_.ActivePathOf("DSL");
    // PPPoE has no number to dial; the stored one is left out.
    const auto update = nm_.LastUpdate();
    EXPECT_FALSE(update.value("pppoe").contains("number"));
    EXPECT_EQ(update.value("pppoe").value("password").toString(), "new-pw");
    EXPECT_TRUE(backend->HangUp());
    EXPECT_FALSE(backend->HangUp());
    EXPECT_EQ(nm_.Deactivated(), QStringList{ours});
}

TEST_F(NmBackendTest, FailedOrStuckActivationIsAnErrorAndLeavesNothingBehind) {
    auto backend = Backend();
    std::string error;
    nm_.SetActivationFails(true);
    EXPECT_FALSE(backend->Dial("Tunnel", {}, error));
    EXPECT_EQ(nm_.Deactivated().size(), 1);
    EXPECT_FALSE(backend->HangUp());

    nm_.SetActivationFails(false);
    nm_.SetActivationHangs(true);
    static_cast<NmBackend*>(backend.get())->SetDialTimeout(50);
    EXPECT_FALSE(backend->Dial("Tunnel", {}, error));
    EXPECT_EQ(nm_.Deactivated().size(), 2);

    EXPECT_FALSE(backend->Dial("Nowhere", {}, error));
    EXPECT_EQ(error, "The connection \"Nowhere\" does not exist.");
}

TEST_F(NmBackendTest, OnlineChangesAreAnnounced) {
    auto backend = Backend();
    QSignalSpy spy(backend.get(), &DialUpBackend::OnlineChanged);
    nm_.SetOnline(true);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    nm_.SetOnline(false);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_FALSE(spy.at(1).at(0).toBool());
}
