#include "test_env.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vantry::test {
namespace {

std::filesystem::path g_root;
std::atomic<int> g_counter{0};

void SetVar(const char* name, const std::filesystem::path& value) {
    std::filesystem::create_directories(value.parent_path());
    ::setenv(name, value.c_str(), 1);
}

}  // namespace

void PrepareEnvironment() {
    std::string base = std::filesystem::temp_directory_path() / "vantry-test-XXXXXX";
    if (::mkdtemp(base.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    g_root = base;
    const auto home = g_root / "home";
    std::filesystem::create_directories(home);
    SetVar("HOME", home);
    SetVar("XDG_CONFIG_HOME", home / ".config");
    SetVar("XDG_DATA_HOME", home / ".local/share");
    SetVar("XDG_CACHE_HOME", home / ".cache");
    SetVar("XDG_STATE_HOME", home / ".local/state");
    const auto runtime = g_root / "runtime";
    std::filesystem::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    SetVar("XDG_RUNTIME_DIR", runtime);
    SetVar("MURMEL_HOME", g_root / "murmel");
    SetVar("VANTRY_REGISTRY", g_root / "registry");
    SetVar("CORVY_PROFILE", g_root / "corvy.ini");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

void CleanEnvironment() {
    if (!g_root.empty() && ::getenv("VANTRY_KEEP_TEST_DIR") == nullptr) {
        std::error_code ec;
        std::filesystem::remove_all(g_root, ec);
    }
}

std::filesystem::path Root() {
    return g_root;
}

std::filesystem::path FreshDir(const std::string& hint) {
    auto dir = g_root / (hint + "-" + std::to_string(++g_counter));
    std::filesystem::create_directories(dir);
    return dir;
}

std::filesystem::path SourceDir() {
    const char* dir = ::getenv("VANTRY_SOURCE_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::path(VANTRY_BUILT_SOURCE_DIR);
}

std::filesystem::path BinaryDir() {
    const char* dir = ::getenv("VANTRY_BINARY_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::path(VANTRY_BUILT_BINARY_DIR);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& data) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        old_ = old;
    }
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (old_) {
        ::setenv(name_, old_->c_str(), 1);
    } else {
        ::unsetenv(name_);
    }
}

}  // namespace vantry::test
