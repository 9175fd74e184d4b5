// The private folder of the kept message texts: who may enter it, how files
// are named and made, and that leftovers go.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "headers/message_files.h"
#include "test_env.h"

using corvy::headers::MessageFiles;
namespace fs = std::filesystem;

namespace {

unsigned Mode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

}  // namespace

TEST(MessageFiles, FolderAndFilesAreOwnerOnlyWithUnguessableNames) {
    const std::string folder = (vantry::test::FreshDir("run") / "corvy").string();
    MessageFiles files(folder);
    ASSERT_EQ(files.Folder(), folder);
    EXPECT_EQ(Mode(folder), 0700u);
    std::string a;
    std::string b;
    ASSERT_TRUE(files.Write("one\r\n", a));
    ASSERT_TRUE(files.Write("one\r\n", b));
    EXPECT_NE(a, b);
    EXPECT_EQ(fs::path(a).parent_path(), fs::path(folder));
    EXPECT_EQ(Mode(a), 0600u);
    EXPECT_EQ(MessageFiles::Read(a), "one\r\n");
    MessageFiles::Remove(a);
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(MessageFiles::Read(a));
}

TEST(MessageFiles, ASharedOrForeignFolderIsNotUsed) {
    const fs::path root = vantry::test::FreshDir("tmp");
    vantry::test::ScopedEnv tmp("TMPDIR", root.c_str());
    const fs::path open = root / "corvy";
    fs::create_directory(open);
    fs::permissions(open, fs::perms::all);  // others may enter: planted files possible
    MessageFiles files(open.string());
    EXPECT_NE(files.Folder(), open.string());
    EXPECT_EQ(fs::path(files.Folder()).parent_path(), root);
    EXPECT_EQ(Mode(files.Folder()), 0700u);

    const fs::path link = root / "linked";
    fs::create_directory_symlink(vantry::test::FreshDir("elsewhere"), link);
    EXPECT_NE(MessageFiles(link.string()).Folder(), link.string());
}

TEST(MessageFiles, RemoveAllTakesLeftoversOnly) {
    const std::string folder = (vantry::test::FreshDir("run") / "corvy").string();
    std::string left;
    ASSERT_TRUE(MessageFiles(folder).Write("crashed", left));
    vantry::test::WriteFile(fs::path(folder) / "other", "x");
    MessageFiles(folder).RemoveAll();
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(fs::path(folder) / "other"));
}

TEST(MessageFiles, DefaultFolderIsTheRuntimeFolder) {
    vantry::test::ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/4242");
    EXPECT_EQ(MessageFiles::DefaultFolder(), "/run/user/4242/corvy");
    vantry::test::ScopedEnv none("XDG_RUNTIME_DIR", nullptr);
    vantry::test::ScopedEnv tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(MessageFiles::DefaultFolder(), "/var/tmp/corvy-" + std::to_string(::geteuid()));
}
