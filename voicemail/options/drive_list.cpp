#include "options/drive_list.h"

#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace murmel {

namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// The kernel writes blanks, tabs, newlines and backslashes in a mount field
// as a backslash and three octal digits.
std::string UnescapeMountField(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            text.push_back(static_cast<char>(value & 0xFF));
            i += 3;
        } else {
            text.push_back(field[i]);
        }
    }
    return text;
}

// Splits LINE at blanks and tabs.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) {
            ++start;
        }
        std::size_t end = start;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') {
            ++end;
        }
        if (end > start) {
            fields.push_back(line.substr(start, end - start));
        }
        start = end;
    }
    return fields;
}

// udev names label links with "\xHH" for bytes a file name should not hold.
QString UnescapeLabel(const QString& name) {
    QByteArray bytes = name.toUtf8();
    QByteArray text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        bool ok = false;
        if (bytes[i] == '\\' && i + 3 < bytes.size() && bytes[i + 1] == 'x') {
            const int value = bytes.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                text.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        text.append(bytes[i]);
    }
    return QString::fromUtf8(text);
}

}  // namespace

QStringList ParseDriveList(std::string_view mounts, const QString& home, const LabelOf& labelOf) {
    QStringList drives{home};
    QStringList folders{home};
    std::size_t start = 0;
    while (start < mounts.size()) {
        std::size_t end = mounts.find('\n', start);
        if (end == std::string_view::npos) {
            end = mounts.size();
        }
        const std::vector<std::string_view> fields = Fields(mounts.substr(start, end - start));
        start = end + 1;
        // Real file systems live on block devices; proc, tmpfs, cgroup and
        // the like name no device path.
        if (fields.size() < 2 || !fields[0].starts_with("/dev/")) {
            continue;
        }
        const std::string device = UnescapeMountField(fields[0]);
        const QString folder = QString::fromStdString(UnescapeMountField(fields[1]));
        if (folder.isEmpty() || folders.contains(folder)) {
            continue;
        }
        folders.append(folder);
        const QString label = labelOf ? labelOf(device) : QString();
        drives.append(label.isEmpty() ? folder
                                      : folder + QStringLiteral(" [") + label + QLatin1Char(']'));
    }
    return drives;
}

QStringList ListDrives() {
    QByteArray mounts;
    QFile file(QStringLiteral("/proc/self/mounts"));
    if (file.open(QIODevice::ReadOnly)) {
        mounts = file.readAll();
    }
    const QDir labels(QStringLiteral("/dev/disk/by-label"));
    const QFileInfoList links = labels.entryInfoList(QDir::Files | QDir::System);
    const auto labelOf = [&links](const std::string& device) {
        const QString target = QFileInfo(QString::fromStdString(device)).canonicalFilePath();
        for (const QFileInfo& link : links) {
            if (!target.isEmpty() && link.canonicalFilePath() == target) {
                return UnescapeLabel(link.fileName());
            }
        }
        return QString();
    };
    return ParseDriveList(std::string_view(mounts.constData(), mounts.size()), QDir::homePath(),
                          labelOf);
}

}  // namespace murmel
