#pragma once
// The drive search: finds every address-book file under a folder by name.
// It runs on the caller's thread, as the options window expects.

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include <QString>

namespace murmel {

class BookSearch {
public:
    // Folders deeper than this below the root are not entered.
    static constexpr int kMaxDepth = 64;

    // The tab-terminated list of book paths under the drive text, which may
    // carry a volume label in square brackets after the folder.
    QString FindAddressBooks(const QString& drive);

private:
    // Appends the books under FOLDER (a path without trailing "/"; empty for
    // the root folder). Folders that cannot be listed are skipped; symbolic
    // links are never entered, and a folder already visited (same device and
    // inode, as through a bind mount) is not searched twice.
    void SearchFolder(const std::string& folder, int depth);

    QString result_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> visited_;
};

}  // namespace murmel
