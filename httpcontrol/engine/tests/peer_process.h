#pragma once
// Starts a loopback server process for a test and stops it again: the
// scripted peer beside this file, or Python's own HTTP server.

#include <QProcess>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <string>

namespace fetchwire::test {

class PeerProcess {
public:
    // The scripted peer in one of its modes; requests are recorded in record.
    static PeerProcess Scripted(const std::string& mode, const std::filesystem::path& record,
                                const std::string& arg = {});
    // The scripted peer answering with `reply`, which is written beside record.
    static PeerProcess Replying(const std::string& reply, const std::filesystem::path& record);
    // Python's HTTP server over a folder.
    static PeerProcess FileServer(const std::filesystem::path& folder);

    PeerProcess(PeerProcess&& other) noexcept;
    ~PeerProcess();

    uint16_t port() const { return port_; }
    std::string Url(const std::string& path) const;

private:
    PeerProcess() = default;
    void Start(const QStringList& args, bool scripted);

    QProcess* process_ = nullptr;
    uint16_t port_ = 0;
};

// The patterned body the scripted peer sends in its "big" mode.
std::string PeerPattern(std::size_t n);

}  // namespace fetchwire::test
