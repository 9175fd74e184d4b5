#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_env.h"

namespace {

namespace fs = std::filesystem;

class AtomicFile : public ::testing::Test {
protected:
    static std::string Contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    int Entries() const {
        return static_cast<int>(std::distance(fs::directory_iterator(dir_), {}));
    }
    fs::path dir_ = vantry::test::FreshDir("atomic_file");
};

TEST_F(AtomicFile, ReplacesTheContentsWithTheModeAskedFor) {
    const fs::path path = dir_ / "hive.reg";
    std::ofstream(path) << "old contents that are longer";
    ::chmod(path.c_str(), 0644);

    ASSERT_EQ(vantry::WriteFileAtomically(path, std::string("new\0x", 5)), 0);

    EXPECT_EQ(Contents(path), std::string("new\0x", 5));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Entries(), 1);  // no temporary file left

    vantry::AtomicWriteOptions shared;
    shared.mode = 0644;
    ASSERT_EQ(vantry::WriteFileAtomically(path, "", shared), 0);
    EXPECT_EQ(Contents(path), "");
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(AtomicFile, OldContentsStayUntilTheNewOnesAreComplete) {
    const fs::path path = dir_ / "corvy.ini";
    std::ofstream(path) << "old";
    std::string seen;
    int temporaries = 0;
    vantry::AtomicWriteOptions options;
    options.beforeRename = [&] {
        seen = Contents(path);
        for (const auto& entry : fs::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(vantry::AtomicTemporaryPrefix(path))) {
                ++temporaries;
                EXPECT_EQ(Contents(entry.path()), "new");
            }
        }
    };
    ASSERT_EQ(vantry::WriteFileAtomically(path, "new", options), 0);
    EXPECT_EQ(seen, "old");
    EXPECT_EQ(temporaries, 1);
    EXPECT_EQ(Contents(path), "new");
}

TEST_F(AtomicFile, FailureReportsErrnoAndLeavesNothingBehind) {
    EXPECT_EQ(vantry::WriteFileAtomically(dir_ / "missing" / "x.reg", "data"), ENOENT);

    // The rename onto a folder fails after the temporary file was written.
    fs::create_directories(dir_ / "taken");
    std::ofstream(dir_ / "taken" / "keep") << "k";
    EXPECT_NE(vantry::WriteFileAtomically(dir_ / "taken", "data"), 0);
    EXPECT_EQ(Entries(), 1);
}

TEST_F(AtomicFile, LockReportsAFolderItCannotCreateIn) {
    const vantry::FileLock held(dir_ / "x.lock");
    EXPECT_EQ(held.error(), 0);
    EXPECT_TRUE(fs::exists(dir_ / "x.lock"));
    const vantry::FileLock missing(dir_ / "missing" / "x.lock");
    EXPECT_EQ(missing.error(), ENOENT);
}

}  // namespace
