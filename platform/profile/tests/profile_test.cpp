#include "profile/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "profile/ini_document.h"
#include "test_env.h"

namespace vantry::profile {
namespace {

using vantry::test::FreshDir;
using vantry::test::ReadFile;
using vantry::test::WriteFile;

TEST(ProfileTest, DefaultPathFollowsEnvironment) {
    EXPECT_EQ(Profile::DefaultPath(), std::filesystem::path(std::getenv("CORVY_PROFILE")));
    const std::string saved = std::getenv("CORVY_PROFILE");
    ::unsetenv("CORVY_PROFILE");
    EXPECT_EQ(Profile::DefaultPath(),
              std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "corvy.ini");
    ::setenv("CORVY_PROFILE", saved.c_str(), 1);
}

TEST(ProfileTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
    Profile p(FreshDir("p") / "sub" / "corvy.ini");
    EXPECT_EQ(p.GetInt("CheckMail", "PeekLines", 20), 20);
    EXPECT_EQ(p.GetString("CheckMail", "NewMailSound", "corvy.wav"), "corvy.wav");
    EXPECT_FALSE(std::filesystem::exists(p.Path()));
    ASSERT_TRUE(p.WriteInt("CheckMail", "PeekLines", 7));
    EXPECT_TRUE(std::filesystem::exists(p.Path()));
    struct stat st {};
    ASSERT_EQ(::stat(p.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(p.GetInt("checkmail", "PEEKLINES", 20), 7);
}

TEST(ProfileTest, NamesMatchIgnoringCaseAndWritesReplaceInPlace) {
    const auto path = FreshDir("p") / "corvy.ini";
    WriteFile(path, "; kept comment\r\n[CheckMail]\r\nCheckTime=5\r\n\r\n[Other]\r\nA = b \r\n");
    Profile p(path);
    EXPECT_EQ(p.GetInt("CHECKMAIL", "checktime", 0), 5);
    EXPECT_EQ(p.GetString("other", "a"), "b");
    ASSERT_TRUE(p.WriteInt("checkmail", "CHECKTIME", 9));
    ASSERT_TRUE(p.WriteString("CheckMail", "New", "x"));
    EXPECT_EQ(ReadFile(path), "; kept comment\n[CheckMail]\nCheckTime=9\nNew=x\n\n[Other]\nA=b\n");
}

TEST(ProfileTest, ValuesRoundTripExactly) {
    Profile p(FreshDir("p") / "corvy.ini");
    for (const std::string value : {"Tue, 1 Jan 2030 10:00:00 +0000 ", " lead", "\"quoted\"", "",
                                    "a=b=c", "; not a comment"}) {
        ASSERT_TRUE(p.WriteString("LastMail", "k", value));
        EXPECT_EQ(p.GetString("LastMail", "k", "default"), value);
    }
}

TEST(ProfileTest, KeysRoundTripExactlyAndStayOneLine) {
    // Account names become keys of [LastMail]: every odd one must find its
    // own line again, and a rewrite must not add a second one.
    const auto path = FreshDir("p") / "corvy.ini";
    WriteFile(path, "[LastMail]\nplain=old\n\"legacy=1\n");
    Profile p(path);
    const std::vector<std::string> keys{"a=b",        ";semi",    "[bracket]", " blank ",
                                        "\"quoted\"", "back\\sl", "tab\t",     "x\"=y"};
    for (int round = 0; round < 2; ++round) {
        for (const std::string& key : keys) {
            ASSERT_TRUE(p.WriteString("LastMail", key, key + std::to_string(round)));
        }
    }
    for (const std::string& key : keys) {
        EXPECT_EQ(p.GetString("LastMail", key), key + "1") << key;
    }
    EXPECT_EQ(p.GetString("LastMail", "a"), "");
    EXPECT_EQ(p.GetString("LastMail", "blank"), "");
    EXPECT_EQ(p.GetString("LastMail", "plain"), "old");
    EXPECT_EQ(p.GetString("LastMail", "\"legacy"), "1");  // older files read as before
    const std::string text = ReadFile(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 + static_cast<long>(keys.size()));
}

TEST(ProfileTest, LineBreaksInValuesCannotForgeKeys) {
    Profile p(FreshDir("p") / "corvy.ini");
    ASSERT_TRUE(p.WriteString("LastMail", "acct", "date\r\n[License]\r\nVersion=3000"));
    EXPECT_EQ(p.GetInt("License", "Version", 0), 0);
    EXPECT_EQ(p.GetString("LastMail", "acct"), "date[License]Version=3000");
}

TEST(ProfileTest, DamagedFileReadsWhatItCan) {
    const auto path = FreshDir("p") / "corvy.ini";
    std::string junk = "orphan=1\n[Broken\n\x01\x02garbage\n[MailAccount0]\nAccountName=me\n";
    junk += std::string("\0\xff=\n", 4);
    junk += "no equals here\n=novalue\n[MailAccount1]\nAccountName=you";  // no final newline
    WriteFile(path, junk);
    Profile p(path);
    EXPECT_EQ(p.GetString("MailAccount0", "AccountName"), "me");
    EXPECT_EQ(p.GetString("MailAccount1", "AccountName"), "you");
    EXPECT_EQ(p.GetString("", "orphan", "d"), "d");
    ASSERT_TRUE(p.WriteInt("MailAccount1", "Disabled", 1));
    EXPECT_EQ(p.GetString("MailAccount0", "AccountName"), "me");
    EXPECT_EQ(p.GetInt("MailAccount1", "Disabled", 0), 1);
    EXPECT_EQ(p.GetString("MailAccount1", "AccountName"), "you");
}

TEST(ProfileTest, RemoveKeyAndUnwritableFolder) {
    Profile p(FreshDir("p") / "corvy.ini");
    ASSERT_TRUE(p.WriteString("S", "K", "v"));
    ASSERT_TRUE(p.RemoveKey("s", "k"));
    EXPECT_EQ(p.GetString("S", "K", "gone"), "gone");
    Profile bad("/proc/corvy-cannot-write/corvy.ini");
    EXPECT_FALSE(bad.WriteString("S", "K", "v"));
}

}  // namespace
}  // namespace vantry::profile
