#include "engine/winsock_state.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>

#include "engine/wsa_errors.h"

namespace fetchwire {

namespace {

int StandbyFcntl(int, int, ...) {
    return -1;
}

// Every call fails, as a socket layer that was never started does.
const SocketEntries kStandby = {
    [](int, int, int) { return -1; },
    [](int, const sockaddr*, socklen_t) { return -1; },
    [](int, const sockaddr*, socklen_t) { return -1; },
    [](int, int, int, const void*, socklen_t) { return -1; },
    [](int, int, int, void*, socklen_t*) { return -1; },
    [](int, sockaddr*, socklen_t*) { return -1; },
    [](int, const void*, size_t, int) -> ssize_t { return -1; },
    [](int, void*, size_t, int) -> ssize_t { return -1; },
    &StandbyFcntl,
    [](const char*, const char*, const addrinfo*, addrinfo**) { return EAI_SYSTEM; },
    [](addrinfo*) {},
    [](char*, size_t) { return -1; },
    [](int, const char*, void*) { return 0; },
    [] { return static_cast<int>(kWsaNOTINITIALISED); },
};

int LoadedLastError() {
    return WsaFromErrno(errno);
}

template <typename T>
bool Take(void* handle, const char* name, T* slot) {
    *slot = reinterpret_cast<T>(dlsym(handle, name));
    return *slot != nullptr;
}

}  // namespace

WinsockState& WinsockState::Instance() {
    // Never destroyed: a host may keep a control in a static of its own
    // and release it at exit, after every other static is gone.
    static WinsockState* const state = new WinsockState;
    return *state;
}

WinsockState::WinsockState() : entries_(&kStandby) {}

void WinsockState::SetPath(const std::string& path) {
    path_ = path.empty() ? std::string(kDefaultPath) : path.substr(0, kMaxPathLength);
}

std::string WinsockState::EffectivePath() const {
    return Loaded() ? loadedPath_ : path_;
}

bool WinsockState::FillEntries(void* handle) {
    SocketEntries e{};
    bool ok =
        Take(handle, "socket", &e.socket) && Take(handle, "bind", &e.bind) &&
        Take(handle, "connect", &e.connect) && Take(handle, "setsockopt", &e.setsockopt) &&
        Take(handle, "getsockopt", &e.getsockopt) && Take(handle, "getsockname", &e.getsockname) &&
        Take(handle, "send", &e.send) && Take(handle, "recv", &e.recv) &&
        Take(handle, "fcntl", &e.fcntl) && Take(handle, "getaddrinfo", &e.getaddrinfo) &&
        Take(handle, "freeaddrinfo", &e.freeaddrinfo) &&
        Take(handle, "gethostname", &e.gethostname) && Take(handle, "inet_pton", &e.inet_pton);
    if (!ok) {
        return false;
    }
    e.lastError = &LoadedLastError;
    loaded_ = e;
    return true;
}

bool WinsockState::Load() {
    if (count_ > 0) {
        ++count_;
        return true;
    }
    // The classic library name stands for the system's own socket calls.
    const bool classic = strcasecmp(path_.c_str(), kDefaultPath) == 0;
    void* handle = dlopen(classic ? "libc.so.6" : path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        description_ = "Could not load Winsock DLL.";
        return false;
    }
    // Taken anew at every load: a library loaded again may sit elsewhere.
    if (!FillEntries(handle)) {
        dlclose(handle);
        description_ = "Incompatible Winsock version.";
        return false;
    }
    link_map* map = nullptr;
    loadedPath_ = (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name)
                      ? map->l_name
                      : path_;
    handle_ = handle;
    entries_ = &loaded_;
    count_ = 1;
    description_ = "POSIX sockets, Winsock 1.1 interface";
    status_ = "Running";
    const long open = sysconf(_SC_OPEN_MAX);
    maxSockets_ = static_cast<uint16_t>(std::clamp<long>(open, 0, 0xFFFF));
    maxDatagram_ = 65507;  // largest UDP payload over IPv4
    return true;
}

void WinsockState::Unload() {
    if (count_ == 0) {
        return;
    }
    if (--count_ > 0) {
        return;
    }
    entries_ = &kStandby;
    dlclose(handle_);
    handle_ = nullptr;
    loadedPath_.clear();
    description_.clear();
    status_ = "Down";
    maxSockets_ = 0;
    maxDatagram_ = 0;
}

}  // namespace fetchwire
