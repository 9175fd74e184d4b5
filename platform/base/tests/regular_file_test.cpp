#include "base/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "test_env.h"

namespace {

namespace fs = std::filesystem;

class RegularFile : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    fs::path dir_ = vantry::test::FreshDir("regular_file");
};

TEST_F(RegularFile, ReadsAWholeFileWithinItsBound) {
    std::string bytes("a\0b\r\n", 5);
    std::string path = Write("f.txt", bytes);
    EXPECT_EQ(vantry::ReadRegularFile(path, 5), bytes);
    EXPECT_FALSE(vantry::ReadRegularFile(path, 4).has_value());
    EXPECT_EQ(vantry::ReadRegularFile(Write("empty", ""), 0), std::string());
}

TEST_F(RegularFile, RefusesFifosFoldersAndMissingFilesWithoutBlocking) {
    std::string fifo = (dir_ / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A blocking open of a FIFO without a writer would hang this test.
    EXPECT_FALSE(vantry::OpenRegularFile(fifo).valid());
    EXPECT_FALSE(vantry::ReadRegularFile(fifo, 100).has_value());
    EXPECT_FALSE(vantry::ReadRegularFile(dir_.string(), 100).has_value());
    EXPECT_FALSE(vantry::ReadRegularFile((dir_ / "missing").string(), 100).has_value());
    EXPECT_FALSE(vantry::ReadRegularFile("/dev/zero", 100).has_value());
}

TEST_F(RegularFile, FollowsALinkToARegularFile) {
    std::string target = Write("target", "xyz");
    fs::create_symlink(target, dir_ / "link");
    EXPECT_EQ(vantry::ReadRegularFile((dir_ / "link").string(), 10), "xyz");
}

}  // namespace
