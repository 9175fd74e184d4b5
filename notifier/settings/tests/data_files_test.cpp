// Data files: the user's folder before the installed data, and the
// new-mail sound and help pages the build ships.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/data_files.h"
#include "test_env.h"

using namespace corvy::settings;

TEST(DataFiles, UserFolderFirstThenInstalledDataAndShippedSound) {
    const std::string own = UserDataFolder();
    EXPECT_EQ(own, std::string(std::getenv("XDG_CONFIG_HOME")) + "/corvy");
    const std::string installed = CORVY_BUILD_DATA_DIR;
    EXPECT_EQ(ResolveDataFile("corvy.wav", installed), installed + "/corvy.wav");
    // The default sound exists where the program looks and is a wave file.
    const std::string shipped = vantry::test::ReadFile(installed + "/corvy.wav");
    ASSERT_GT(shipped.size(), 44u);
    EXPECT_EQ(shipped.substr(0, 4), "RIFF");
    EXPECT_EQ(shipped.substr(8, 4), "WAVE");

    for (const char* page : {"checking.htm", "setup.htm", "headers.htm", "quickmail.htm"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(installed + "/htm/" + page)) << page;
    }

    std::filesystem::create_directories(own);
    vantry::test::WriteFile(own + "/signature.txt", "-- \nme\n");
    EXPECT_EQ(ResolveDataFile("signature.txt", installed), own + "/signature.txt");
    std::filesystem::create_directories(own + "/corvy.wav");  // not a regular file
    EXPECT_EQ(ResolveDataFile("corvy.wav", installed), installed + "/corvy.wav");
    EXPECT_EQ(ResolveDataFile("/abs/ding.wav", installed), "/abs/ding.wav");
    EXPECT_EQ(InstalledDataFolder("/usr/bin"), "/usr/share/corvy");
}
