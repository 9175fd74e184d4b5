#pragma once
// Writes the recording into a zip archive (deflate, level 6). The archive holds
// one entry named after the item's file name, without any folder.

#include <QString>

namespace murmel {

// Result codes besides libzip's own error numbers (ZIP_ER_*, all below 100).
inline constexpr int kZipOk = 0;
inline constexpr int kZipItemMissing = 9;  // same number as ZIP_ER_NOENT

// Replaces archivePath with an archive holding itemPath. 0 on success, else a
// libzip error number. The archive is written beside its final name and
// renamed, so a failure never leaves a half-written archive behind.
int ZipFile(const QString& itemPath, const QString& archivePath);

// Paths have no short form here; the path itself is returned.
QString GetShortPath(const QString& path);

}  // namespace murmel
