#include "addressbook/book_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <vector>

#include <QFile>

#include "addressbook/book_kinds.h"
#include "base/regular_file.h"

namespace murmel {

QString BookSearch::FindAddressBooks(const QString& drive) {
    result_.clear();
    visited_.clear();
    QString root = drive;
    if (const qsizetype bracket = root.indexOf(QLatin1Char('[')); bracket >= 0) {
        root.truncate(bracket);
    }
    root = root.trimmed();
    if (root.isEmpty()) {
        return result_;
    }
    while (root.endsWith(QLatin1Char('/'))) {
        root.chop(1);
    }
    const QByteArray encoded = QFile::encodeName(root);
    SearchFolder(std::string(encoded.constData(), static_cast<std::size_t>(encoded.size())), 0);
    return result_;
}

void BookSearch::SearchFolder(const std::string& folder, int depth) {
    // O_NOFOLLOW: a folder reached through a symbolic link is not entered,
    // so links cannot lead the search round in circles.
    vantry::FileDescriptor fd(::open(folder.empty() ? "/" : folder.c_str(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        return;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !visited_
                                              .emplace(static_cast<std::uint64_t>(info.st_dev),
                                                       static_cast<std::uint64_t>(info.st_ino))
                                              .second) {
        return;
    }
    DIR* dir = ::fdopendir(fd.get());
    if (dir == nullptr) {
        return;
    }
    fd.Release();
    // The whole listing is read before descending, so only one folder is
    // open at a time however deep the tree.
    std::vector<std::string> subFolders;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.empty() || name[0] == '.') {
            continue;
        }
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat entryInfo {};
            if (::fstatat(::dirfd(dir), entry->d_name, &entryInfo, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            type = S_ISDIR(entryInfo.st_mode) ? DT_DIR : DT_REG;
        }
        std::string path = folder;
        path += '/';
        path += name;
        if (type == DT_DIR) {
            subFolders.push_back(std::move(path));
        } else if (KindOfFileName(name) != BookKind::None) {
            result_ +=
                QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
            result_ += QLatin1Char('\t');
        }
    }
    ::closedir(dir);
    if (depth >= kMaxDepth) {
        return;
    }
    for (const std::string& subFolder : subFolders) {
        SearchFolder(subFolder, depth + 1);
    }
}

}  // namespace murmel
