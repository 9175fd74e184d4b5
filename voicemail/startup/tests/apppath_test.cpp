#include <gtest/gtest.h>

#include <QDir>

#include "startup/apppath.h"
#include "test_env.h"

namespace murmel {
namespace {

using vantry::test::FreshDir;
using vantry::test::ReadFile;
using vantry::test::WriteFile;

TEST(ProgramFolderTest, MurmelHomeWinsThenXdgDataHome) {
    const QByteArray saved = qgetenv("MURMEL_HOME");
    qputenv("MURMEL_HOME", "/tmp/somewhere/");
    EXPECT_EQ(ProgramFolder(), QStringLiteral("/tmp/somewhere"));
    qunsetenv("MURMEL_HOME");
    EXPECT_EQ(ProgramFolder(), qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/murmel"));
    qputenv("MURMEL_HOME", saved);
}

TEST(Seeding, CopiesMissingFilesAndKeepsEditedOnes) {
    const auto data = FreshDir("data");
    const auto app = FreshDir("app") / "murmel";
    WriteFile(data / "lang/00000409.txt", "mm0001\tMurmel\r\n");
    WriteFile(data / "sounds/ok.wav", "RIFF");
    WriteFile(data / "logo.gif", "GIF89a");
    WriteFile(app / "lang/00000409.txt", "edited");
    ASSERT_TRUE(SeedProgramFolder(QString::fromStdString(data.string()),
                                  QString::fromStdString(app.string())));
    EXPECT_EQ(ReadFile(app / "lang/00000409.txt"), "edited");
    EXPECT_EQ(ReadFile(app / "sounds/ok.wav"), "RIFF");
    EXPECT_EQ(ReadFile(app / "logo.gif"), "GIF89a");
}

TEST(Seeding, MissingDataFolderStillMakesTheProgramFolder) {
    const auto app = FreshDir("app") / "fresh";
    EXPECT_TRUE(
        SeedProgramFolder(QStringLiteral("/no/such/data"), QString::fromStdString(app.string())));
    EXPECT_TRUE(QDir(QString::fromStdString(app.string())).exists());
}

}  // namespace
}  // namespace murmel
