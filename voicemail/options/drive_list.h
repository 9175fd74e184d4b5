#pragma once
// The drives the options window offers for the address-book search: the
// home folder first, then the mount points of file systems on block devices.

#include <functional>
#include <string>
#include <string_view>

#include <QString>
#include <QStringList>

namespace murmel {

// The volume label of DEVICE (a "/dev/..." path), or empty when it has none.
using LabelOf = std::function<QString(const std::string& device)>;

// Parses the text of /proc/self/mounts. Each entry is "folder [label]" or
// just "folder"; HOME comes first and no folder is listed twice.
QStringList ParseDriveList(std::string_view mounts, const QString& home, const LabelOf& labelOf);

// The drives of this machine, labels read from /dev/disk/by-label.
QStringList ListDrives();

}  // namespace murmel
