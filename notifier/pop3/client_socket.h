#pragma once
// A blocking stream socket for the POP3 client: every wait polls the socket
// in short slices and pumps the Qt event loop in between, so the user
// interface stays live; between slices it asks the progress window whether
// Cancel was pressed. Reads are bounded by a time-out.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/regular_file.h"
#include "pop3/pop3_progress.h"
#include "pop3/pop3_reply.h"
#include "pop3/tls_session.h"

namespace corvy::pop3 {

class CClientSocket {
public:
    CClientSocket() = default;
    CClientSocket(const CClientSocket&) = delete;
    CClientSocket& operator=(const CClientSocket&) = delete;

    void SetProgress(Pop3Progress* progress) { progress_ = progress; }
    void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds read) {
        connectTimeout_ = connect;
        readTimeout_ = read;
    }

    // Creates the stream socket: 0 or code 4.
    int Create();
    // IPv4 address in network order: 0 or code 5 (also on time-out).
    int Connect(uint32_t address, uint16_t port);

    // Buffers the text and flushes it at once. Transport failures are
    // swallowed here; the next read reports them.
    void Send(std::string_view text);

    // One line without its terminator: 0, 7 (peer closed or transport
    // failure before a line end), 12 (time-out) or 13 (cancelled).
    int ReadLine(std::string& line);

    // Turns the connection into TLS: 0, 16 (handshake failed), 17 (the
    // certificate was refused), 12 or 13. `detail` says why. Refused when
    // clear-text bytes are still unread, which would be an injection.
    int StartTls(const std::string& host, const std::string& pinnedSha256, std::string& detail);
    bool Secure() const { return socket_.tls != nullptr; }
    // The server certificate's fingerprint once the handshake saw it.
    std::string PeerFingerprint() const { return fingerprint_; }

    // The last line read was cut at the reader's limit (see Pop3LineReader).
    bool LineWasCut() const { return reader_.LastLineCut(); }
    bool Cancelled() const { return cancelled_; }
    bool Open() const { return socket_.fd.valid(); }
    void Close();

    // Makes every wait in progress and every later wait end as cancelled;
    // used when the program exits in the middle of a conversation.
    static void CancelBlockingCalls();

private:
    enum class Wait { Ready, TimedOut, Cancelled, Failed };
    Wait WaitFor(short events, std::chrono::milliseconds timeout);
    // A wait for the server within the read time-out: 0 when ready, 13
    // (cancelled), 12 (timed out; the socket is closed) or 7 (broken).
    int AwaitServer(short events);
    void Pump();
    void MarkCancelled();
    // Bytes into `buffer`: >0, 0 at the end of the stream, -1 to wait for
    // `events`, -2 on failure.
    long Receive(char* buffer, std::size_t capacity, short& events);

    SecuredSocket socket_;
    bool cancelled_ = false;
    Pop3Progress* progress_ = nullptr;
    Pop3LineReader reader_;
    std::string fingerprint_;
    std::chrono::milliseconds connectTimeout_{30000};
    std::chrono::milliseconds readTimeout_{60000};
    std::chrono::steady_clock::time_point lastPump_{};
    unsigned cancelGeneration_ = 0;
};

}  // namespace corvy::pop3
