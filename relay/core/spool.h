#pragma once
// The spool: every accepted upload becomes one file in queue/ before the
// client hears back, so a crash after the reply loses nothing. An upload is
// streamed into tmp/ while it arrives and renamed into queue/ whole.
//
// Item file: one line "murmel-relay-item 1 <header bytes> <received> <client>",
// the header part, then the archive bytes up to the end of the file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/regular_file.h"

namespace murmel::relay {

struct SpoolItem {
    std::string id;
    std::string header;               // the header part as received
    std::int64_t received = 0;        // seconds since 1970
    std::string client;               // the client's address
    std::uint64_t archiveOffset = 0;  // where the archive starts in the item file
    std::uint64_t archiveSize = 0;
    std::filesystem::path path;
};

// An upload on its way into the spool. Removes its temporary file unless committed.
class SpoolWriter {
public:
    SpoolWriter(std::filesystem::path tempPath, vantry::FileDescriptor fd, std::string id);
    ~SpoolWriter();
    SpoolWriter(const SpoolWriter&) = delete;
    SpoolWriter& operator=(const SpoolWriter&) = delete;

    bool Write(std::string_view bytes);
    // Drops the last n bytes written (the multipart's line end before the delimiter).
    bool DropTail(std::uint64_t n);
    std::uint64_t size() const { return size_; }
    const std::string& id() const { return id_; }
    const std::filesystem::path& tempPath() const { return tempPath_; }
    vantry::FileDescriptor& fd() { return fd_; }
    void MarkCommitted() { committed_ = true; }

private:
    std::filesystem::path tempPath_;
    vantry::FileDescriptor fd_;
    std::string id_;
    std::uint64_t size_ = 0;
    bool committed_ = false;
};

class Spool {
public:
    explicit Spool(std::filesystem::path root);

    // Creates tmp/, queue/, failed/ and work/ and removes uploads a previous
    // run left unanswered in tmp/. False (with a reason) when the folder is unusable.
    bool Prepare(std::string* error);

    // Starts an item: writes the first line and the header part.
    std::unique_ptr<SpoolWriter> Begin(std::string_view header, std::int64_t received,
                                       std::string_view client, std::string* error);
    // Makes the item durable: fsync, rename into queue/, fsync of queue/.
    bool Commit(SpoolWriter& writer, std::string* error);

    // Queued item ids, oldest first.
    std::vector<std::string> Queued() const;
    std::optional<SpoolItem> Load(const std::string& id, std::string* error) const;
    bool Remove(const std::string& id);
    // Moves an item to failed/ with the reason beside it (failed/<id>.reason).
    bool Fail(const std::string& id, std::string_view reason);
    std::vector<std::string> Failed() const;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path queueDir() const { return root_ / "queue"; }
    std::filesystem::path workDir() const { return root_ / "work"; }

private:
    std::filesystem::path root_;
};

// A new item id: the UTC time and random bits, so names sort by arrival.
std::string NewItemId(std::int64_t now);

// Parses an item file's first line. Nothing when it is not one.
std::optional<SpoolItem> ParseItemHead(std::string_view bytes, std::uint64_t fileSize);

// fsync of a folder, so a rename in it survives a crash.
bool SyncDir(const std::filesystem::path& dir);

}  // namespace murmel::relay
