#include "registry/hive_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "registry/registry.h"
#include "test_env.h"

namespace vantry::registry {
namespace {

using vantry::test::FreshDir;
using vantry::test::ReadFile;
using vantry::test::WriteFile;

std::vector<std::string> FilesIn(const std::filesystem::path& folder, std::string_view part) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.find(part) != std::string::npos) {
            out.push_back(name);
        }
    }
    return out;
}

// Runs body in a child process; returns its wait status.
template <typename Body>
int InChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(HiveFileTest, TwoWritersLoseNoValue) {
    Store store(FreshDir("reg"));
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "Shared"), kSuccess);
    constexpr int kEach = 500;
    pid_t children[2];
    for (int w = 0; w < 2; ++w) {
        children[w] = ::fork();
        ASSERT_GE(children[w], 0);
        if (children[w] == 0) {
            Store mine(store.Folder());
            int failures = 0;
            for (int i = 0; i < kEach; ++i) {
                const std::string name = "w" + std::to_string(w) + "-" + std::to_string(i);
                failures += mine.SetValue(Hive::CurrentUser, "Shared", name,
                                          Value::String(std::to_string(i))) != kSuccess;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto values = store.Values(Hive::CurrentUser, "Shared");
    EXPECT_EQ(values.size(), 2u * kEach);
    Value v;
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < kEach; i += 37) {
            const std::string name = "W" + std::to_string(w) + "-" + std::to_string(i);
            ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "shared", name, &v), kSuccess) << name;
            EXPECT_EQ(v.Text(), std::to_string(i));
        }
    }
    EXPECT_TRUE(FilesIn(store.Folder(), ".tmp-").empty());
}

TEST(HiveFileTest, WriterKilledBeforeRenameLeavesOldHive) {
    Store store(FreshDir("reg"));
    ASSERT_EQ(store.CreateKey(Hive::LocalMachine, "SOFTWARE"), kSuccess);
    ASSERT_EQ(store.SetValue(Hive::LocalMachine, "SOFTWARE", "kept", Value::String("old")),
              kSuccess);
    const std::string before = ReadFile(store.HiveFile(Hive::LocalMachine));

    const int status = InChild([&] {
        testing::SetBeforeRenameHook([] { ::raise(SIGKILL); });
        Store(store.Folder())
            .SetValue(Hive::LocalMachine, "SOFTWARE", "kept", Value::String("new"));
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    // The old file is whole; the dead writer's temporary file is all it left.
    EXPECT_EQ(ReadFile(store.HiveFile(Hive::LocalMachine)), before);
    const auto temps = FilesIn(store.Folder(), ".tmp-");
    ASSERT_EQ(temps.size(), 1u);
    EXPECT_NE(ReadFile(store.Folder() / temps[0]).find("\"kept\"=\"new\""), std::string::npos);
    Value v;
    ASSERT_EQ(store.QueryValue(Hive::LocalMachine, "SOFTWARE", "kept", &v), kSuccess);
    EXPECT_EQ(v.Text(), "old");

    // The lock died with the writer; the next write goes through and tidies up.
    ASSERT_EQ(store.SetValue(Hive::LocalMachine, "SOFTWARE", "more", Value::String("1")), kSuccess);
    EXPECT_TRUE(FilesIn(store.Folder(), ".tmp-").empty());
    ASSERT_EQ(store.QueryValue(Hive::LocalMachine, "SOFTWARE", "kept", &v), kSuccess);
    EXPECT_EQ(v.Text(), "old");
}

TEST(HiveFileTest, DamagedFileIsKeptAsBackupBeforeReplacement) {
    Store store(FreshDir("reg"));
    const auto path = store.HiveFile(Hive::CurrentUser);
    const std::string damaged =
        "REGEDIT4\n[HKEY_CURRENT_USER\\Keep]\n\"a\"=\"1\"\nsomething a person typed\n";
    WriteFile(path, damaged);
    Value v;
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "Keep", "a", &v), kSuccess);
    EXPECT_TRUE(FilesIn(store.Folder(), ".damaged-").empty());  // reading changes nothing

    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "Keep", "b", Value::String("2")), kSuccess);
    const auto backups = FilesIn(store.Folder(), ".damaged-");
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(ReadFile(store.Folder() / backups[0]), damaged);
    struct stat st {};
    ASSERT_EQ(::stat((store.Folder() / backups[0]).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "Keep", "a", &v), kSuccess);
    EXPECT_EQ(v.Text(), "1");
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "Keep", "b", &v), kSuccess);
    EXPECT_EQ(v.Text(), "2");

    // The rewritten file parses fully, so later writes make no more backups.
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "Keep", "c", Value::String("3")), kSuccess);
    EXPECT_EQ(FilesIn(store.Folder(), ".damaged-").size(), 1u);

    // A second damage within the same second gets its own backup name.
    WriteFile(path, "junk\n");
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "New"), kSuccess);
    EXPECT_EQ(FilesIn(store.Folder(), ".damaged-").size(), 2u);
}

TEST(HiveFileTest, NoWriteWithoutChange) {
    Store store(FreshDir("reg"));
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "A"), kSuccess);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "A", "v", Value::String("x")), kSuccess);
    const auto path = store.HiveFile(Hive::CurrentUser);
    struct stat first {};
    ASSERT_EQ(::stat(path.c_str(), &first), 0);
    // Same value, existing key: success without replacing the file.
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, "a", "V", Value::String("x")), kSuccess);
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "a"), kSuccess);
    struct stat second {};
    ASSERT_EQ(::stat(path.c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino);
}

TEST(HiveFileTest, OversizedFileReadsItsBeginning) {
    Store store(FreshDir("reg"));
    std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"first\"=\"1\"\n";
    const std::string filler = "\"pad\"=\"" + std::string(1000, 'p') + "\"\n";
    while (text.size() < kMaxHiveFileBytes + 4096) {
        text += filler;
    }
    WriteFile(store.HiveFile(Hive::CurrentUser), text);
    const auto snap = registry::HiveFile(store.Folder(), Hive::CurrentUser).Read();
    EXPECT_TRUE(snap.exists);
    EXPECT_FALSE(snap.complete);
    Value v;
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "A", "first", &v), kSuccess);
    EXPECT_EQ(v.Text(), "1");
}

}  // namespace
}  // namespace vantry::registry
