#pragma once
// The process-wide socket layer: loads the socket library named by the path,
// counts its holders and hands out the entry table. While nothing is loaded
// every entry is a stand-by that fails with last-error 10093.

#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace fetchwire {

// The socket calls the engine makes, taken from the loaded library by name.
struct SocketEntries {
    int (*socket)(int, int, int);
    int (*bind)(int, const sockaddr*, socklen_t);
    int (*connect)(int, const sockaddr*, socklen_t);
    int (*setsockopt)(int, int, int, const void*, socklen_t);
    int (*getsockopt)(int, int, int, void*, socklen_t*);
    int (*getsockname)(int, sockaddr*, socklen_t*);
    ssize_t (*send)(int, const void*, size_t, int);
    ssize_t (*recv)(int, void*, size_t, int);
    int (*fcntl)(int, int, ...);
    int (*getaddrinfo)(const char*, const char*, const addrinfo*, addrinfo**);
    void (*freeaddrinfo)(addrinfo*);
    int (*gethostname)(char*, size_t);
    int (*inet_pton)(int, const char*, void*);
    // The socket-layer code of the last failed call on this thread.
    int (*lastError)();
};

class WinsockState {
public:
    static constexpr const char* kDefaultPath = "WSOCK32.DLL";
    static constexpr std::size_t kMaxPathLength = 100;

    static WinsockState& Instance();

    // Takes a hold on the library, loading it for the first holder. On
    // failure nothing is held and Description() is the reason.
    bool Load();
    // Lets go of one hold; the last one unloads and restores the stand-by.
    void Unload();

    bool Loaded() const { return count_ > 0; }
    int HolderCount() const { return count_; }

    // The configured path; writing an empty one restores the default.
    const std::string& Path() const { return path_; }
    void SetPath(const std::string& path);
    // The full path of the loaded library (the configured path when not loaded).
    std::string EffectivePath() const;

    const std::string& Description() const { return description_; }
    const std::string& SystemStatus() const { return status_; }
    uint16_t MaxSockets() const { return maxSockets_; }
    uint16_t MaxDatagramSize() const { return maxDatagram_; }

    const SocketEntries& Entries() const { return *entries_; }

private:
    WinsockState();
    bool FillEntries(void* handle);

    std::string path_ = kDefaultPath;
    std::string loadedPath_;
    void* handle_ = nullptr;
    int count_ = 0;
    std::string description_;
    std::string status_ = "Down";
    uint16_t maxSockets_ = 0;
    uint16_t maxDatagram_ = 0;
    SocketEntries loaded_{};
    const SocketEntries* entries_;
};

}  // namespace fetchwire
