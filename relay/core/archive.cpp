#include "core/archive.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <memory>
#include <string_view>

#include "base/regular_file.h"

namespace murmel::relay {

namespace {

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

bool EndsWithWav(std::string_view name) {
    if (name.size() < 4) {
        return false;
    }
    std::string tail(name.substr(name.size() - 4));
    for (char& c : tail) {
        c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    return tail == ".wav";
}

}  // namespace

bool ReadWaveEntry(const ArchiveRegion& archive, std::uint64_t maxEntryBytes,
                   const std::filesystem::path& out, std::string* error) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* source = zip_source_file_create(archive.file.c_str(), archive.offset,
                                                  static_cast<zip_int64_t>(archive.size), &zerr);
    if (source == nullptr) {
        *error = std::string("archive: ") + zip_error_strerror(&zerr);
        zip_error_fini(&zerr);
        return false;
    }
    std::unique_ptr<zip_t, ZipCloser> zip(zip_open_from_source(source, ZIP_RDONLY, &zerr));
    if (!zip) {
        *error = std::string("archive: ") + zip_error_strerror(&zerr);
        zip_source_free(source);
        zip_error_fini(&zerr);
        return false;
    }
    zip_error_fini(&zerr);
    if (zip_get_num_entries(zip.get(), 0) != 1) {
        *error = "archive does not hold exactly one entry";
        return false;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip.get(), 0, 0, &st) != 0 || (st.valid & ZIP_STAT_NAME) == 0 ||
        !EndsWithWav(st.name)) {
        *error = "archive entry is not a wave file";
        return false;
    }
    if ((st.valid & ZIP_STAT_SIZE) != 0 && st.size > maxEntryBytes) {
        *error = "archive entry is too large";
        return false;
    }
    std::unique_ptr<zip_file_t, ZipFileCloser> entry(zip_fopen_index(zip.get(), 0, 0));
    if (!entry) {
        *error = std::string("archive entry: ") + zip_strerror(zip.get());
        return false;
    }
    vantry::FileDescriptor sink;
    if (!out.empty()) {
        sink.Reset(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!sink.valid()) {
            *error = "cannot create " + out.string();
            return false;
        }
    }
    // The stored size may lie; the count of bytes actually read decides.
    std::uint64_t total = 0;
    char buffer[64 * 1024];
    for (;;) {
        const zip_int64_t n = zip_fread(entry.get(), buffer, sizeof buffer);
        if (n < 0) {
            *error = std::string("archive entry: ") + zip_file_strerror(entry.get());
            return false;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::uint64_t>(n);
        if (total > maxEntryBytes) {
            *error = "archive entry expands beyond the limit";
            return false;
        }
        if (sink.valid()) {
            std::string_view rest(buffer, static_cast<std::size_t>(n));
            while (!rest.empty()) {
                const ssize_t w = ::write(sink.get(), rest.data(), rest.size());
                if (w <= 0) {
                    *error = "cannot write " + out.string();
                    return false;
                }
                rest.remove_prefix(static_cast<std::size_t>(w));
            }
        }
    }
    return true;
}

}  // namespace murmel::relay
