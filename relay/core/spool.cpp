#include "core/spool.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <type_traits>

#include "base/integer.h"

namespace murmel::relay {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "murmel-relay-item 1 ";
constexpr std::size_t kMaxHeadLine = 512;

std::string Errno(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::vector<std::string> ListItems(const fs::path& dir) {
    std::vector<std::string> ids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.empty() && name[0] != '.' && !name.ends_with(".reason") &&
            entry.is_regular_file(ec)) {
            ids.push_back(name);
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Ids are made here; anything else in a name never reaches a path.
bool PlainId(const std::string& id) {
    return !id.empty() && id.size() < 128 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '-' || c == '_';
    });
}

}  // namespace

std::string NewItemId(std::int64_t now) {
    std::tm utc{};
    const std::time_t t = static_cast<std::time_t>(now);
    gmtime_r(&t, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &utc);
    unsigned char random[6] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        const auto fallback =
            static_cast<std::uint64_t>(::getpid()) ^ static_cast<std::uint64_t>(clock());
        std::memcpy(random, &fallback, sizeof random);
    }
    std::string id = std::string(stamp) + "-";
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned char b : random) {
        id += kHex[b >> 4];
        id += kHex[b & 15];
    }
    return id;
}

bool SyncDir(const fs::path& dir) {
    vantry::FileDescriptor fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

std::optional<SpoolItem> ParseItemHead(std::string_view bytes, std::uint64_t fileSize) {
    const std::size_t eol = bytes.substr(0, kMaxHeadLine).find('\n');
    if (eol == std::string_view::npos || !bytes.starts_with(kMagic)) {
        return std::nullopt;
    }
    std::string_view rest = bytes.substr(kMagic.size(), eol - kMagic.size());
    SpoolItem item;
    std::uint64_t headerSize = 0;
    auto number = [&rest](auto& out) {
        const std::size_t space = rest.find(' ');
        const auto value =
            vantry::ParseInteger<std::remove_reference_t<decltype(out)>>(rest.substr(0, space));
        if (space == std::string_view::npos || !value) {
            return false;
        }
        out = *value;
        rest.remove_prefix(space + 1);
        return true;
    };
    if (!number(headerSize) || !number(item.received)) {
        return std::nullopt;
    }
    item.client = std::string(rest);
    const std::uint64_t start = eol + 1;
    if (headerSize > fileSize || start > fileSize - headerSize ||
        start + headerSize > bytes.size()) {
        return std::nullopt;
    }
    item.header = std::string(bytes.substr(start, headerSize));
    item.archiveOffset = start + headerSize;
    item.archiveSize = fileSize - item.archiveOffset;
    return item;
}

SpoolWriter::SpoolWriter(fs::path tempPath, vantry::FileDescriptor fd, std::string id)
    : tempPath_(std::move(tempPath)), fd_(std::move(fd)), id_(std::move(id)) {}

SpoolWriter::~SpoolWriter() {
    if (!committed_) {
        ::unlink(tempPath_.c_str());
    }
}

bool SpoolWriter::Write(std::string_view bytes) {
    if (!WriteAll(fd_.get(), bytes)) {
        return false;
    }
    size_ += bytes.size();
    return true;
}

bool SpoolWriter::DropTail(std::uint64_t n) {
    if (n > size_) {
        return false;
    }
    size_ -= n;
    return ::ftruncate(fd_.get(), static_cast<off_t>(size_)) == 0 &&
           ::lseek(fd_.get(), 0, SEEK_END) >= 0;
}

Spool::Spool(fs::path root) : root_(std::move(root)) {}

bool Spool::Prepare(std::string* error) {
    std::error_code ec;
    for (const char* sub : {"tmp", "queue", "failed", "work"}) {
        fs::create_directories(root_ / sub, ec);
        if (ec) {
            *error = "cannot create " + (root_ / sub).string() + ": " + ec.message();
            return false;
        }
    }
    ::chmod(root_.c_str(), 0700);
    // Nobody was answered for these: the senders still hold their items.
    for (const char* scratch : {"tmp", "work"}) {
        for (const auto& entry : fs::directory_iterator(root_ / scratch, ec)) {
            fs::remove_all(entry.path(), ec);
        }
    }
    return true;
}

std::unique_ptr<SpoolWriter> Spool::Begin(std::string_view header, std::int64_t received,
                                          std::string_view client, std::string* error) {
    const std::string id = NewItemId(received);
    const fs::path temp = root_ / "tmp" / id;
    vantry::FileDescriptor fd(::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        *error = Errno("cannot create spool file");
        return nullptr;
    }
    auto writer = std::make_unique<SpoolWriter>(temp, std::move(fd), id);
    std::string clientText(client.substr(0, 64));
    std::replace_if(
        clientText.begin(), clientText.end(), [](char c) { return c == '\n' || c == '\r'; }, '?');
    const std::string head = std::string(kMagic) + std::to_string(header.size()) + " " +
                             std::to_string(received) + " " + clientText + "\n";
    if (!writer->Write(head) || !writer->Write(header)) {
        *error = Errno("cannot write spool file");
        return nullptr;
    }
    return writer;
}

bool Spool::Commit(SpoolWriter& writer, std::string* error) {
    if (::fsync(writer.fd().get()) != 0) {
        *error = Errno("fsync of spool file");
        return false;
    }
    writer.fd().Reset();
    const fs::path final = queueDir() / writer.id();
    if (::rename(writer.tempPath().c_str(), final.c_str()) != 0) {
        *error = Errno("rename into queue");
        return false;
    }
    writer.MarkCommitted();
    if (!SyncDir(queueDir())) {
        *error = Errno("fsync of queue folder");
        return false;  // the item is in queue/ and will be delivered; the caller says 5xx
    }
    return true;
}

std::vector<std::string> Spool::Queued() const {
    return ListItems(queueDir());
}

std::vector<std::string> Spool::Failed() const {
    return ListItems(root_ / "failed");
}

std::optional<SpoolItem> Spool::Load(const std::string& id, std::string* error) const {
    if (!PlainId(id)) {
        *error = "bad item id";
        return std::nullopt;
    }
    const fs::path path = queueDir() / id;
    vantry::FileDescriptor fd = vantry::OpenRegularFile(path.string());
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        *error = Errno("cannot open item");
        return std::nullopt;
    }
    // The head line and the header part are small; the archive is read later by offset.
    std::string head(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), 1 << 20),
                     '\0');
    const ssize_t n = ::pread(fd.get(), head.data(), head.size(), 0);
    if (n < 0) {
        *error = Errno("cannot read item");
        return std::nullopt;
    }
    head.resize(static_cast<std::size_t>(n));
    auto item = ParseItemHead(head, static_cast<std::uint64_t>(st.st_size));
    if (!item) {
        *error = "item file is damaged";
        return std::nullopt;
    }
    item->id = id;
    item->path = path;
    return item;
}

bool Spool::Remove(const std::string& id) {
    if (!PlainId(id)) {
        return false;
    }
    const bool removed = ::unlink((queueDir() / id).c_str()) == 0;
    return removed && SyncDir(queueDir());
}

bool Spool::Fail(const std::string& id, std::string_view reason) {
    if (!PlainId(id)) {
        return false;
    }
    const fs::path failed = root_ / "failed";
    const fs::path reasonPath = failed / (id + ".reason");
    vantry::FileDescriptor fd(
        ::open(reasonPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.valid()) {
        WriteAll(fd.get(), std::string(reason) + "\n");
        ::fsync(fd.get());
    }
    const bool moved = ::rename((queueDir() / id).c_str(), (failed / id).c_str()) == 0;
    SyncDir(failed);
    SyncDir(queueDir());
    return moved;
}

}  // namespace murmel::relay
