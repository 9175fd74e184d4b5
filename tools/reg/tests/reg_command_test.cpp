#include "reg/reg_command.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "test_env.h"

namespace vantry::regtool {
namespace {

using registry::Hive;
using registry::Store;
using registry::Value;
using vantry::test::FreshDir;

struct Result {
    int code;
    std::string out;
    std::string err;
};

class RegTest : public ::testing::Test {
protected:
    RegTest() : store_(FreshDir("reg")) {}

    Result Run(std::vector<std::string> args, const std::string& input = "") {
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunReg(args, store_, in, out, err);
        return {code, out.str(), err.str()};
    }

    Store store_;
};

constexpr const char* kProduct = "HKLM\\SOFTWARE\\Vantry\\MurmelMailer";

TEST_F(RegTest, AddCreatesKeyAndWritesTypedValues) {
    auto r = Run({"add", kProduct, "/v", "Name", "/d", "Ann B"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "The operation completed successfully.\n");
    EXPECT_EQ(Run({"ADD", kProduct, "-V", "InVolume", "/T", "reg_dword", "/d", "0x1F"}).code, 0);
    EXPECT_EQ(Run({"add", kProduct, "/v", "Big", "/t", "REG_DWORD", "/d", "4294967295"}).code, 0);
    EXPECT_EQ(Run({"add", kProduct, "/ve", "/d", "default"}).code, 0);
    EXPECT_EQ(Run({"add", kProduct, "/v", "Empty"}).code, 0);
    EXPECT_EQ(Run({"add", "HKEY_USERS\\.Default\\Software\\Microsoft\\Multimedia\\Audio"}).code, 0);

    Value v;
    ASSERT_EQ(store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "name", &v),
              registry::kSuccess);
    EXPECT_EQ(v, Value::String("Ann B"));
    store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "InVolume", &v);
    EXPECT_EQ(v, Value::Dword(31));
    store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "Big", &v);
    EXPECT_EQ(v, Value::Dword(0xffffffffu));
    store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "", &v);
    EXPECT_EQ(v, Value::String("default"));
    store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "Empty", &v);
    EXPECT_EQ(v, Value::String(""));
    EXPECT_TRUE(store_.KeyExists(Hive::Users, ".Default\\Software\\Microsoft\\Multimedia\\Audio"));
    EXPECT_TRUE(store_.Values(Hive::Users, ".Default").empty());
}

TEST_F(RegTest, OverwriteAsksUnlessForced) {
    ASSERT_EQ(Run({"add", kProduct, "/v", "Name", "/d", "old"}).code, 0);
    auto r = Run({"add", kProduct, "/v", "NAME", "/d", "new"}, "no\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("Value NAME exists, overwrite (Yes/No)? "), std::string::npos);
    EXPECT_EQ(Run({"add", kProduct, "/v", "Name", "/d", "new"}).code, 1);  // no answer at all
    Value v;
    store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "Name", &v);
    EXPECT_EQ(v.Text(), "old");
    EXPECT_EQ(Run({"add", kProduct, "/v", "Name", "/d", "yes"}, "Yes\n").code, 0);
    EXPECT_EQ(Run({"add", kProduct, "/v", "Name", "/d", "forced", "/f"}).code, 0);
    store_.QueryValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "Name", &v);
    EXPECT_EQ(v.Text(), "forced");
}

TEST_F(RegTest, QueryShowsValuesAndSubkeys) {
    Run({"add", kProduct, "/v", "Name", "/d", "Ann"});
    Run({"add", kProduct, "/v", "Autorun", "/t", "REG_DWORD", "/d", "1"});
    Run({"add", kProduct, "/ve", "/d", "d"});
    Run({"add", std::string(kProduct) + "\\Sub"});
    store_.SetValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "Blob",
                    Value::Binary({std::byte{0xAB}, std::byte{0x01}}));
    store_.SetValue(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "Evil",
                    Value::String("a\x1b[2Jb\nc"));
    auto r = Run({"query", "hklm\\software\\vantry\\murmelmailer\\"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\software\\vantry\\murmelmailer\n"
              "    (Default)    REG_SZ    d\n"
              "    Autorun    REG_DWORD    0x1\n"
              "    Blob    REG_BINARY    AB01\n"
              "    Evil    REG_SZ    a?[2Jb?c\n"
              "    Name    REG_SZ    Ann\n"
              "\n"
              "HKEY_LOCAL_MACHINE\\software\\vantry\\murmelmailer\\Sub\n");
    r = Run({"query", kProduct, "/v", "name"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Vantry\\MurmelMailer\n"
              "    Name    REG_SZ    Ann\n\n");
    EXPECT_EQ(Run({"query", "HKLM"}).code, 0);
}

TEST_F(RegTest, MissingKeysAndValuesFail) {
    auto r = Run({"query", "HKCU\\Nope"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: The system was unable to find the specified registry key or value.\n");
    Run({"add", "HKCU\\Yes"});
    EXPECT_EQ(Run({"query", "HKCU\\Yes", "/v", "x"}).code, 1);
    EXPECT_EQ(Run({"delete", "HKCU\\Yes", "/v", "x", "/f"}).code, 1);
    EXPECT_EQ(Run({"delete", "HKCU\\Nope", "/f"}).code, 1);
}

TEST_F(RegTest, DeleteValuesAndKeys) {
    Run({"add", kProduct, "/v", "Name", "/d", "Ann"});
    Run({"add", kProduct, "/v", "Cc", "/d", "x"});
    auto r = Run({"delete", kProduct, "/v", "name"}, "n\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("Delete the registry value name (Yes/No)? "), std::string::npos);
    EXPECT_EQ(store_.Values(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer").size(), 2u);
    EXPECT_EQ(Run({"delete", kProduct, "/v", "name"}, "y\n").code, 0);
    EXPECT_EQ(Run({"delete", kProduct, "/v", "Cc", "/f"}).code, 0);
    EXPECT_TRUE(store_.Values(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer").empty());
    EXPECT_TRUE(store_.KeyExists(Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer"));
    EXPECT_EQ(Run({"delete", "HKLM\\SOFTWARE\\Vantry", "/f"}).code, 0);
    EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, "SOFTWARE\\Vantry"));
    EXPECT_TRUE(store_.KeyExists(Hive::LocalMachine, "SOFTWARE"));
    EXPECT_EQ(Run({"delete", "HKLM", "/f"}).code, 1);
}

TEST_F(RegTest, BadCommandLinesAreRefused) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"list", "HKLM"},
        {"query"},
        {"query", "HKEY_CURRENT_CONFIG\\X"},
        {"query", "Software\\X"},
        {"query", "HKLM\\A", "/v"},
        {"query", "HKLM\\A", "/t", "REG_SZ"},
        {"query", "HKLM\\A", "/v", "a", "/v", "b"},
        {"add", "HKLM\\A", "/v", "a", "/t", "REG_BINARY", "/d", "00"},
        {"add", "HKLM\\A", "/v", "a", "/t", "REG_DWORD", "/d", "4294967296"},
        {"add", "HKLM\\A", "/v", "a", "/t", "REG_DWORD", "/d", "12x"},
        {"add", "HKLM\\A", "/v", "a", "/t", "REG_DWORD", "/d", "-1"},
        {"add", "HKLM\\A", "/d", "no value name"},
        {"add", "HKLM\\A\\\\B"},
        {"add", "HKLM\\A", "/v", "line\nbreak", "/d", "x"},
        {"add", "HKLM\\A", "stray"},
    };
    for (const auto& args : bad) {
        const auto r = Run(args);
        std::string joined;
        for (const auto& a : args) {
            joined += a + " ";
        }
        EXPECT_EQ(r.code, 1) << joined;
        EXPECT_FALSE(r.err.empty()) << joined;
    }
    EXPECT_FALSE(store_.KeyExists(Hive::LocalMachine, "A"));
    EXPECT_EQ(Run({"/?"}).code, 0);
}

// The installed program, run as a user would, against the test's registry folder.
TEST(RegProgramTest, RunsAgainstTheRegistryFolder) {
    const auto folder = FreshDir("reg");
    const std::string reg = REG_PROGRAM;
    const std::string env = "VANTRY_REGISTRY='" + folder.string() + "' ";
    auto run = [&](const std::string& args, std::string* output) {
        FILE* pipe = ::popen((env + "'" + reg + "' " + args + " 2>&1 </dev/null").c_str(), "r");
        if (pipe == nullptr) {
            return -1;
        }
        char buf[512];
        output->clear();
        while (std::fgets(buf, sizeof buf, pipe) != nullptr) {
            *output += buf;
        }
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string output;
    ASSERT_EQ(run("add 'HKCU\\Control Panel\\International' /v Locale /d 00000407", &output), 0)
        << output;
    Store store(folder);
    Value v;
    ASSERT_EQ(store.QueryValue(Hive::CurrentUser, "Control Panel\\International", "Locale", &v),
              registry::kSuccess);
    EXPECT_EQ(v.Text(), "00000407");
    EXPECT_EQ(run("query 'HKCU\\Control Panel\\International' /v locale", &output), 0);
    EXPECT_NE(output.find("    Locale    REG_SZ    00000407\n"), std::string::npos) << output;
    EXPECT_EQ(run("delete 'HKCU\\Control Panel\\International' /v Locale", &output), 1);
    EXPECT_EQ(run("query 'HKCU\\Missing'", &output), 1);
    EXPECT_EQ(run("", &output), 1);
    EXPECT_NE(output.find("REG QUERY"), std::string::npos);
}

}  // namespace
}  // namespace vantry::regtool
