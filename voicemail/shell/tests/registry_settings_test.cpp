#include <gtest/gtest.h>

#include "registry_settings.h"
#include "test_env.h"

namespace murmel {
namespace {

std::unique_ptr<RegistryFormSettings> Fresh() {
    const auto folder = vantry::test::FreshDir("registry");
    auto settings = std::make_unique<RegistryFormSettings>(std::make_unique<cRegistry>(folder));
    settings->VerifyRegistry();
    return settings;
}

TEST(RegistryFormSettings, EachNameReachesItsOwnSetting) {
    auto s = Fresh();
    const char* names[] = {"MyName",      "LastAdUpdate", "MyOrganization", "ConnectTo",
                           "InVolume",    "OutVolume",    "MyEmail",        "MyCc",
                           "MyNote",      "PlaySounds",   "Autorun",        "KnownAddressBooks",
                           "AddressBook", "WaveType"};
    for (const char* name : names) {
        s->Let(name, QString::fromLatin1(name) + "-value");
    }
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
    for (const char* name : names) {
        EXPECT_EQ(s->Get(name), QString::fromLatin1(name) + "-value") << name;
    }
}

TEST(RegistryFormSettings, RunEntryIsEmptiedNotDeleted) {
    auto s = Fresh();
    s->Let("SetRunAtInitialization", "/opt/murmel/Murmel.exe 1");
    EXPECT_EQ(s->Get("SetRunAtInitialization"), "/opt/murmel/Murmel.exe 1");
    s->Let("SetRunAtInitialization", "");
    EXPECT_EQ(s->Get("SetRunAtInitialization"), "");
}

TEST(RegistryFormSettings, ReadOnlyAndUnknownNamesAreQuiet) {
    auto s = Fresh();
    s->Let("LogoClick", "https://example.org/");  // the installation's, never written
    EXPECT_EQ(s->Get("LogoClick"), "");
    s->Let("NoSuchSetting", "x");
    EXPECT_EQ(s->Get("NoSuchSetting"), "");
    EXPECT_EQ(s->Get("DefaultWave"), "");  // write-only
    s->Let("DefaultWave", "PCM");
    EXPECT_EQ(s->Get("WaveType"), "");
}

}  // namespace
}  // namespace murmel
