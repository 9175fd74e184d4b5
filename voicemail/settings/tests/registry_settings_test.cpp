#include <gtest/gtest.h>

#include "settings/registry_settings.h"
#include "test_env.h"

namespace murmel {
namespace {

std::unique_ptr<RegistrySettings> Fresh(
    const std::filesystem::path& folder = vantry::test::FreshDir("registry")) {
    auto settings = std::make_unique<RegistrySettings>(std::make_unique<cRegistry>(folder));
    settings->VerifyRegistry();
    return settings;
}

TEST(RegistrySettings, EachAccessorReachesItsOwnSetting) {
    auto s = Fresh();
    s->setMyName("MyName-value");
    s->setLastAdUpdate("LastAdUpdate-value");
    s->setMyOrganization("MyOrganization-value");
    s->setConnectTo("ConnectTo-value");
    s->setInVolume("InVolume-value");
    s->setOutVolume("OutVolume-value");
    s->setMyEmail("MyEmail-value");
    s->setMyCc("MyCc-value");
    s->setMyNote("MyNote-value");
    s->setPlaySounds("PlaySounds-value");
    s->setAutorun("Autorun-value");
    s->setKnownAddressBooks("KnownAddressBooks-value");
    s->setAddressBook("AddressBook-value");
    s->setWaveType("WaveType-value");
    cRegistry& r = s->registry();
    EXPECT_EQ(r.MyName(), "MyName-value");
    EXPECT_EQ(r.LastAdUpdate(), "LastAdUpdate-value");
    EXPECT_EQ(r.MyOrganization(), "MyOrganization-value");
    EXPECT_EQ(r.ConnectTo(), "ConnectTo-value");
    EXPECT_EQ(r.InVolume(), "InVolume-value");
    EXPECT_EQ(r.OutVolume(), "OutVolume-value");
    EXPECT_EQ(r.MyEmail(), "MyEmail-value");
    EXPECT_EQ(r.MyCc(), "MyCc-value");
    EXPECT_EQ(r.MyNote(), "MyNote-value");
    EXPECT_EQ(r.PlaySounds(), "PlaySounds-value");
    EXPECT_EQ(r.Autorun(), "Autorun-value");
    EXPECT_EQ(r.KnownAddressBooks(), "KnownAddressBooks-value");
    EXPECT_EQ(r.AddressBook(), "AddressBook-value");
    EXPECT_EQ(r.WaveType(), "WaveType-value");
    EXPECT_EQ(s->MyName(), "MyName-value");
    EXPECT_EQ(s->KnownAddressBooks(), "KnownAddressBooks-value");
    EXPECT_EQ(s->WaveType(), "WaveType-value");
    EXPECT_EQ(SettingName(SettingId::KnownAddressBooks), "KnownAddressBooks");
    EXPECT_EQ(SettingName(SettingId::SetRunAtInitialization), "SetRunAtInitialization");
}

TEST(RegistrySettings, RunEntryIsEmptiedNotDeleted) {
    auto s = Fresh();
    s->setSetRunAtInitialization("/opt/murmel/Murmel.exe 1");
    EXPECT_EQ(s->SetRunAtInitialization(), "/opt/murmel/Murmel.exe 1");
    s->setSetRunAtInitialization("");
    EXPECT_EQ(s->SetRunAtInitialization(), "");
}

TEST(RegistrySettings, WriteOnlyDefaultFormatLandsInTheAudioKey) {
    const auto folder = vantry::test::FreshDir("registry");
    auto s = Fresh(folder);
    EXPECT_EQ(s->LogoClick(), "");  // the installation's, never written here
    s->setDefaultWave("PCM");
    EXPECT_EQ(s->registry().WaveTypes(), "");
    EXPECT_EQ(s->WaveType(), "");
    cRegistryUtils users(folder);
    users.setMainKey(HKEY_USERS);
    EXPECT_EQ(users.GetData(kAudioKey, "DefaultFormat"), "PCM");
}

}  // namespace
}  // namespace murmel
