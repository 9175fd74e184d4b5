// regsvr: registers or unregisters a control library by calling its own
// registration entry point.
//
//   regsvr [-s] LIB.so        calls DllRegisterServer
//   regsvr [-s] -u LIB.so     calls DllUnregisterServer
//
// Exit codes: 0 done, 1 bad arguments, 3 library cannot be loaded,
// 4 entry point missing, 5 the entry point reported a failure.

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

enum Exit { kDone = 0, kUsage = 1, kLoadFailed = 3, kNoEntry = 4, kCallFailed = 5 };

void Usage() {
    std::fprintf(stderr,
                 "usage: regsvr [-s] [-u] LIBRARY\n"
                 "  -u  unregister instead of register\n"
                 "  -s  silent: no message on success\n");
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    bool silent = false;
    std::string library;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-u" || arg == "/u") {
            unregister = true;
        } else if (arg == "-s" || arg == "/s") {
            silent = true;
        } else if (arg == "-h" || arg == "--help") {
            Usage();
            return kDone;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "regsvr: unknown option %s\n", argv[i]);
            Usage();
            return kUsage;
        } else if (library.empty()) {
            library = arg;
        } else {
            std::fprintf(stderr, "regsvr: only one library at a time\n");
            return kUsage;
        }
    }
    if (library.empty()) {
        Usage();
        return kUsage;
    }

    // A file name means that file, not a search along the library path, and
    // the registered path must be absolute.
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::canonical(library, ec);
    if (ec) {
        std::fprintf(stderr, "regsvr: cannot load %s: %s\n", library.c_str(), ec.message().c_str());
        return kLoadFailed;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        std::fprintf(stderr, "regsvr: cannot load %s: %s\n", path.c_str(),
                     why != nullptr ? why : "unknown error");
        return kLoadFailed;
    }
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<int32_t (*)()>(dlsym(handle, entryName));
    if (entry == nullptr) {
        std::fprintf(stderr, "regsvr: %s has no entry point %s; it is not a control library\n",
                     path.c_str(), entryName);
        return kNoEntry;
    }
    const int32_t result = entry();
    if (result != 0) {
        std::fprintf(stderr, "regsvr: %s in %s failed with code 0x%08X\n", entryName, path.c_str(),
                     static_cast<unsigned>(result));
        return kCallFailed;
    }
    if (!silent) {
        std::printf("%s in %s succeeded.\n", entryName, path.c_str());
    }
    return kDone;
}
