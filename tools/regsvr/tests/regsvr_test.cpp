// Runs the regsvr program on the probe control library and checks the
// HKEY_CLASSES_ROOT hive it leaves behind.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>

#include "registry/registry.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class Regsvr : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = vantry::test::FreshDir("regsvr");
        registry_ = dir_ / "registry";
    }

    Outcome Call(const std::string& args) {
        const fs::path out = dir_ / "out.txt";
        const fs::path err = dir_ / "err.txt";
        const std::string command = "VANTRY_REGISTRY='" + registry_.string() + "' '" +
                                    std::string(REGSVR_PROGRAM) + "' " + args + " >'" +
                                    out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        Outcome run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = vantry::test::ReadFile(out);
        run.err = vantry::test::ReadFile(err);
        return run;
    }

    std::string Hive() {
        using vantry::registry::Hive;
        return vantry::test::ReadFile(
            vantry::registry::Store(registry_).HiveFile(Hive::ClassesRoot));
    }

    fs::path dir_;
    fs::path registry_;
    const std::string library_ = PROBE_LIBRARY;
    const std::string clsid_ = "{6A1D3C20-5B7E-4F0A-9C11-2E8D7B4A6F01}";
};

TEST_F(Regsvr, RegistersAndUnregistersTheLibrary) {
    Outcome r = Call("'" + library_ + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("DllRegisterServer"), std::string::npos);
    EXPECT_NE(r.out.find("succeeded"), std::string::npos);
    std::string hive = Hive();
    const std::string module = fs::canonical(library_).string();
    EXPECT_NE(hive.find("[HKEY_CLASSES_ROOT\\CLSID\\" + clsid_ + "\\InprocServer32]"),
              std::string::npos)
        << hive;
    EXPECT_NE(hive.find(module), std::string::npos);
    EXPECT_NE(hive.find("[HKEY_CLASSES_ROOT\\VantryProbe.Probe.1]"), std::string::npos);

    r = Call("-s -u '" + library_ + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "") << "silent";
    hive = Hive();
    EXPECT_EQ(hive.find(clsid_), std::string::npos) << hive;
    EXPECT_EQ(hive.find("VantryProbe"), std::string::npos) << hive;
}

TEST_F(Regsvr, RelativeNamesAreRegisteredWithTheirFullPath) {
    const fs::path copy = dir_ / "libcopy.so";
    fs::copy_file(library_, copy);
    const Outcome r = Call("'" + copy.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(Hive().find(fs::canonical(copy).string()), std::string::npos);
}

TEST_F(Regsvr, FailuresHaveTheirOwnExitCodes) {
    Outcome r = Call("");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
    EXPECT_EQ(Call("-x lib.so").exitCode, 1);
    EXPECT_EQ(Call("a.so b.so").exitCode, 1);

    r = Call("'" + (dir_ / "missing.so").string() + "'");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("cannot load"), std::string::npos);

    vantry::test::WriteFile(dir_ / "junk.so", "not a library");
    EXPECT_EQ(Call("'" + (dir_ / "junk.so").string() + "'").exitCode, 3);

    // A real shared object that is not a control library.
    r = Call("'" + std::string(PLAIN_LIBRARY) + "'");
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("DllRegisterServer"), std::string::npos);
    EXPECT_TRUE(Hive().empty());
}

TEST_F(Regsvr, ARegistryThatCannotBeWrittenIsReportedAsFailure) {
    // The registry folder's place is taken by a file.
    vantry::test::WriteFile(registry_, "in the way");
    const Outcome r = Call("'" + library_ + "'");
    EXPECT_EQ(r.exitCode, 5) << r.out;
    EXPECT_NE(r.err.find("0x8004020"), std::string::npos) << r.err;
}

}  // namespace
