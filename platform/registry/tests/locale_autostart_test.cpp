#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "registry/autostart.h"
#include "registry/locale_id.h"
#include "test_env.h"

namespace vantry::registry {
namespace {

using vantry::test::ReadFile;

using vantry::test::ScopedEnv;

// A locale name and the identifier it gives ("" for none).
struct LocaleCase {
    const char* name;
    const char* id;
};

constexpr LocaleCase kLocaleCases[] = {
    // Known locales give their own identifier, whatever the codeset or modifier.
    {"en_US", "00000409"},
    {"de_CH", "00000807"},
    {"de_DE", "00000407"},
    {"fr_FR", "0000040C"},
    {"en_GB.UTF-8", "00000809"},
    {"de_AT.ISO-8859-15@euro", "00000C07"},
    {"fr_CA@latin", "00000C0C"},
    {"es_ES", "00000C0A"},
    {"zh_TW.Big5", "00000404"},
    // A language alone, or with a country it has no entry for, falls back to
    // its main country.
    {"de", "00000407"},
    {"de_BE.UTF-8", "00000407"},
    {"en", "00000409"},
    // Unknown names give nothing.
    {"", ""},
    {"C", ""},
    {"C.UTF-8", ""},
    {"POSIX", ""},
    {"xx_YY", ""},
    {"x", ""},
    {"eng_US", ""},
    {"_US", ""},
};

TEST(LocaleIdTest, EachNameGivesItsIdentifierOrNothing) {
    for (const LocaleCase& c : kLocaleCases) {
        EXPECT_EQ(LocaleIdFor(c.name), c.id) << c.name;
    }
}

TEST(LocaleIdTest, EnvironmentPrecedence) {
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    ScopedEnv lang("LANG", nullptr);
    EXPECT_EQ(UserLocaleId(), "");
    ::setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(UserLocaleId(), "0000040C");
    ::setenv("LC_MESSAGES", "de_CH.UTF-8", 1);
    EXPECT_EQ(UserLocaleId(), "00000807");
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(UserLocaleId(), "00000409");
    ::setenv("LC_ALL", "", 1);  // empty means unset
    EXPECT_EQ(UserLocaleId(), "00000807");
}

TEST(AutostartTest, EntryFollowsTheCommand) {
    const auto file = AutostartFolder() / "MurmelMail.desktop";
    EXPECT_EQ(AutostartFolder(),
              std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "autostart");
    MirrorAutostart("MurmelMail", "/opt/murmel/bin/murmel 1");
    const std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nName=MurmelMail\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=/opt/murmel/bin/murmel 1\n"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0022, 0u);

    MirrorAutostart("MurmelMail", "  ");
    EXPECT_FALSE(std::filesystem::exists(file));
    MirrorAutostart("MurmelMail", "");  // removing twice is harmless
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(AutostartTest, ReservedCharactersAreQuotedAndEscaped) {
    const auto file = AutostartFolder() / "Odd.desktop";
    MirrorAutostart("Odd", "\"/home/a b/my prog\" 100% $HOME;rm back\\slash");
    const std::string text = ReadFile(file);
    // Words are quoted when they hold reserved characters, inner \ " $ `
    // escaped, then the whole is escaped again as a desktop-entry string.
    EXPECT_NE(text.find("\nExec=\"/home/a b/my prog\" 100%% \"\\\\$HOME;rm\" "
                        "\"back\\\\\\\\slash\"\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
}

TEST(AutostartTest, EntryNameMustBeAPlainFileName) {
    ScopedEnv config("XDG_CONFIG_HOME", vantry::test::FreshDir("config").c_str());
    for (const char* name : {"", ".", "..", "../escape", "a/b", "line\nbreak"}) {
        MirrorAutostart(name, "/bin/true");
    }
    EXPECT_FALSE(std::filesystem::exists(AutostartFolder().parent_path() / "escape.desktop"));
    if (std::filesystem::exists(AutostartFolder())) {
        EXPECT_TRUE(std::filesystem::is_empty(AutostartFolder()));
    }
}

}  // namespace
}  // namespace vantry::registry
