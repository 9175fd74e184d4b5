#include "registry/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "test_env.h"

namespace vantry::registry {
namespace {

using vantry::test::FreshDir;
using vantry::test::ReadFile;
using vantry::test::WriteFile;

using vantry::test::ScopedEnv;

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 0777;
}

TEST(StoreTest, FolderFollowsEnvironment) {
    EXPECT_EQ(Store::DefaultFolder(), std::filesystem::path(std::getenv("VANTRY_REGISTRY")));
    {
        ScopedEnv reg("VANTRY_REGISTRY", nullptr);
        EXPECT_EQ(Store::DefaultFolder(),
                  std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "vantry" / "registry");
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(Store::DefaultFolder(),
                  std::filesystem::path(std::getenv("HOME")) / ".config/vantry/registry");
    }
    Store store("/x");
    EXPECT_EQ(store.HiveFile(Hive::LocalMachine), "/x/HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(store.HiveFile(Hive::ClassesRoot), "/x/HKEY_CLASSES_ROOT.reg");
}

TEST(StoreTest, HiveNamesLongAndShortIgnoringCase) {
    EXPECT_EQ(ParseHive("HKEY_LOCAL_MACHINE"), Hive::LocalMachine);
    EXPECT_EQ(ParseHive("hklm"), Hive::LocalMachine);
    EXPECT_EQ(ParseHive("HKCU"), Hive::CurrentUser);
    EXPECT_EQ(ParseHive("hkey_users"), Hive::Users);
    EXPECT_EQ(ParseHive("HKU"), Hive::Users);
    EXPECT_EQ(ParseHive("HKCR"), Hive::ClassesRoot);
    EXPECT_FALSE(ParseHive("HKEY_CURRENT_CONFIG"));
    EXPECT_FALSE(ParseHive(""));
    EXPECT_EQ(HiveName(Hive::Users), "HKEY_USERS");
}

TEST(StoreTest, OpenOfMissingKeyFailsAndCreateMakesParents) {
    Store store(FreshDir("reg"));
    EXPECT_TRUE(store.KeyExists(Hive::LocalMachine, ""));
    EXPECT_FALSE(store.KeyExists(Hive::LocalMachine, "SOFTWARE\\Vantry"));
    Value v;
    EXPECT_EQ(store.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry", "x", &v), kNotFound);
    // A write to a missing key creates nothing, not even the file.
    EXPECT_EQ(store.SetValue(Hive::LocalMachine, "SOFTWARE\\Vantry", "x", Value::String("1")),
              kNotFound);
    EXPECT_FALSE(store.KeyExists(Hive::LocalMachine, "SOFTWARE\\Vantry"));
    EXPECT_FALSE(std::filesystem::exists(store.HiveFile(Hive::LocalMachine)));

    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer"), kSuccess);
    EXPECT_TRUE(store.KeyExists(Hive::LocalMachine, "software\\VANTRY"));
    EXPECT_TRUE(store.KeyExists(Hive::LocalMachine, "Software\\vantry\\murmelmailer\\"));
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "SOFTWARE\\Vantry"));
    // Creating an existing key (any case) succeeds and keeps its first spelling.
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, "software\\vantry"), kSuccess);
    EXPECT_EQ(store.SubKeys(Hive::LocalMachine, "SOFTWARE"), std::vector<std::string>{"Vantry"});
    EXPECT_EQ(store.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry", "x", &v), kNotFound);
}

TEST(StoreTest, ValuesKeepTypeAndBytesAndMatchIgnoringCase) {
    Store store(FreshDir("reg"));
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "K"), kSuccess);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "K", "Name", Value::String("abc")), kSuccess);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "k", "One", Value::Dword(1)), kSuccess);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "K", "Zero", Value::Dword(0)), kSuccess);
    const std::string withZero("abc\0def", 7);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "K", "Mixed", Value::String(withZero)), kSuccess);

    Value v;
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "k", "NAME", &v), kSuccess);
    EXPECT_EQ(v.type, ValueType::String);
    EXPECT_EQ(v.data.size(), 4u);  // the terminating zero is stored
    EXPECT_EQ(v.Text(), "abc");
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "K", "one", &v), kSuccess);
    EXPECT_EQ(v.type, ValueType::Dword);
    EXPECT_EQ(v.Text(), "\x01");
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "K", "zero", &v), kSuccess);
    EXPECT_EQ(v.Text(), "");
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "K", "mixed", &v), kSuccess);
    EXPECT_EQ(v.Text(), "abc");
    EXPECT_EQ(v.data.size(), 8u);

    // Overwriting under another case keeps one value with the first name.
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "K", "NAME", Value::String("new")), kSuccess);
    const auto values = store.Values(Hive::CurrentUser, "K");
    ASSERT_EQ(values.size(), 4u);
    int names = 0;
    for (const auto& [name, value] : values) {
        if (name == "Name") {
            ++names;
            EXPECT_EQ(value.Text(), "new");
        }
    }
    EXPECT_EQ(names, 1);
    // A fresh store object over the same folder sees everything: nothing is cached.
    Store other(store.Folder());
    ASSERT_EQ(other.QueryValue(Hive::CurrentUser, "K", "name", &v), kSuccess);
    EXPECT_EQ(v.Text(), "new");
}

TEST(StoreTest, DeleteValuesAndKeys) {
    Store store(FreshDir("reg"));
    ASSERT_EQ(store.CreateKey(Hive::Users, "A\\B\\C"), kSuccess);
    ASSERT_EQ(store.SetValue(Hive::Users, "A\\B", "v", Value::String("1")), kSuccess);
    EXPECT_EQ(store.DeleteValue(Hive::Users, "a\\b", "V"), kSuccess);
    EXPECT_EQ(store.DeleteValue(Hive::Users, "A\\B", "v"), kNotFound);
    EXPECT_EQ(store.DeleteValue(Hive::Users, "A\\X", "v"), kNotFound);
    EXPECT_EQ(store.DeleteKey(Hive::Users, "a\\B"), kSuccess);
    EXPECT_FALSE(store.KeyExists(Hive::Users, "A\\B\\C"));
    EXPECT_TRUE(store.KeyExists(Hive::Users, "A"));
    EXPECT_EQ(store.DeleteKey(Hive::Users, "A\\B"), kNotFound);
    EXPECT_EQ(store.DeleteKey(Hive::Users, ""), kAccessDenied);
}

TEST(StoreTest, MalformedInputIsRefused) {
    Store store(FreshDir("reg"));
    EXPECT_EQ(store.CreateKey(Hive::CurrentUser, "A\\\\B"), kBadKey);
    EXPECT_EQ(store.CreateKey(Hive::CurrentUser, "\\A"), kBadKey);
    EXPECT_EQ(store.CreateKey(Hive::CurrentUser, "A\nB"), kBadKey);
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "A\\\\B"));
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "A"), kSuccess);
    EXPECT_EQ(store.SetValue(Hive::CurrentUser, "A", "bad\nname", Value::String("x")),
              kInvalidParameter);
    Value huge;
    huge.type = ValueType::Binary;
    huge.data.resize(2 << 20);
    EXPECT_EQ(store.SetValue(Hive::CurrentUser, "A", "huge", huge), kInvalidParameter);
    EXPECT_TRUE(store.Values(Hive::CurrentUser, "A").empty());
    // A value holding line breaks cannot forge a key or a value in the file.
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "A", "v",
                             Value::String("x\"\n[HKEY_CURRENT_USER\\Forged]\n\"y\"=\"1")),
              kSuccess);
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "Forged"));
    EXPECT_EQ(store.Values(Hive::CurrentUser, "A").size(), 1u);
}

TEST(StoreTest, FilesArePrivateAndHivesSeparate) {
    const auto folder = FreshDir("reg") / "deeper" / "registry";
    Store store(folder);
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, "SOFTWARE"), kSuccess);
    ASSERT_EQ(store.CreateKey(Hive::Users, ".Default"), kSuccess);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(store.HiveFile(Hive::LocalMachine)), 0600u);
    EXPECT_EQ(ModeOf(store.HiveFile(Hive::Users)), 0600u);
    EXPECT_EQ(ReadFile(store.HiveFile(Hive::Users)), "REGEDIT4\n\n[HKEY_USERS\\.Default]\n\n");
    EXPECT_FALSE(store.KeyExists(Hive::Users, "SOFTWARE"));
}

TEST(StoreTest, UnreadableHiveIsNeverOverwritten) {
    Store store(FreshDir("reg"));
    // A folder where the hive file should be: it cannot be read, so a write
    // must not replace it with a hive holding only the new value.
    std::filesystem::create_directories(store.HiveFile(Hive::CurrentUser));
    EXPECT_EQ(store.CreateKey(Hive::CurrentUser, "A"), kAccessDenied);
    EXPECT_TRUE(std::filesystem::is_directory(store.HiveFile(Hive::CurrentUser)));
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "A"));
    // A folder that cannot be made reports a failure instead of success.
    Store nowhere("/proc/vantry-cannot-write/registry");
    EXPECT_NE(nowhere.CreateKey(Hive::CurrentUser, "A"), kSuccess);
}

TEST(StoreTest, LocaleIsPresentedUntilWritten) {
    Store store(FreshDir("reg"));
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    ScopedEnv lang("LANG", "de_CH.UTF-8");
    Value v;
    // Only inside an existing international key.
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, "Control Panel\\International", "Locale", &v),
              kNotFound);
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "Control Panel\\International"), kSuccess);
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "control panel\\international", "LOCALE", &v),
              kSuccess);
    EXPECT_EQ(v, Value::String("00000807"));
    // Other system values read as missing, and the locale belongs to this hive only.
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, "Control Panel\\International", "sLanguage", &v),
              kNotFound);
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, "Control Panel\\International"), kSuccess);
    EXPECT_EQ(store.QueryValue(Hive::LocalMachine, "Control Panel\\International", "Locale", &v),
              kNotFound);
    {
        ScopedEnv unknown("LANG", "C");
        EXPECT_EQ(store.QueryValue(Hive::CurrentUser, "Control Panel\\International", "Locale", &v),
                  kNotFound);
    }
    // A stored value wins; the presented one is never written to the file.
    EXPECT_EQ(ReadFile(store.HiveFile(Hive::CurrentUser)).find("Locale"), std::string::npos);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "Control Panel\\International", "Locale",
                             Value::String("0000040C")),
              kSuccess);
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "Control Panel\\International", "Locale", &v),
              kSuccess);
    EXPECT_EQ(v.Text(), "0000040C");
}

}  // namespace
}  // namespace vantry::registry
