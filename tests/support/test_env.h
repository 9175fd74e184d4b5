#pragma once
// Per-process test surroundings: every location a program writes per user is
// moved below one temporary folder before the first test runs.

#include <filesystem>
#include <optional>
#include <string>

namespace vantry::test {

// Creates the temporary root and points HOME, XDG_*, MURMEL_HOME,
// VANTRY_REGISTRY and CORVY_PROFILE below it. Called by the test mains.
void PrepareEnvironment();

// Removes the temporary root. Called by the test mains at exit.
void CleanEnvironment();

// The temporary root of this test process.
std::filesystem::path Root();

// A new empty folder below the root, unique per call.
std::filesystem::path FreshDir(const std::string& hint = "dir");

// The source tree (for shipped data and fixture scripts).
std::filesystem::path SourceDir();

// The build tree (for built programs and libraries).
std::filesystem::path BinaryDir();

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// Writes a whole file, creating parent folders.
void WriteFile(const std::filesystem::path& path, const std::string& data);

// Sets (or, with nullptr, removes) one environment variable for a scope and
// puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace vantry::test
