#include "composer/recipients.h"

#include <QFile>
#include <QSaveFile>

#include "base/regular_file.h"
#include "startup/utilities.h"

namespace murmel {

int NormalizeRecipients(QString& text) {
    if (text.size() > kMaxRecipientsText) {
        return 4;
    }
    QString rest = text;
    QStringList items;
    while (!rest.isEmpty()) {
        const QString item = GetToken(rest, QStringLiteral(","), true).trimmed();
        // A doubled comma is a slip of the finger; stopping there would drop
        // every recipient after it without a word.
        if (!item.isEmpty()) {
            items << item;
        }
    }
    text = items.join(QStringLiteral(", "));
    return 0;
}

QStringList ParseRecipientsFile(const QByteArray& bytes) {
    QStringList lines;
    qsizetype pos = 0;
    const qsizetype size = bytes.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        const QString line = DecodeUtf8OrLatin1(QByteArrayView(bytes).sliced(pos, end - pos));
        if (!line.trimmed().isEmpty()) {
            lines << line;
        }
        if (end + 1 < size && bytes[end] == '\r' && bytes[end + 1] == '\n') {
            ++end;
        }
        pos = end + 1;
    }
    return lines;
}

QByteArray FormatRecipientsFile(const QStringList& entries, const QString& placeholder) {
    QByteArray out;
    const qsizetype count = std::min<qsizetype>(entries.size(), kMaxRecentRecipients);
    for (qsizetype i = 0; i < count; ++i) {
        if (entries[i].compare(placeholder, Qt::CaseInsensitive) == 0) {
            continue;
        }
        // A line end inside an entry would split it into two entries next start.
        QString line = entries[i].trimmed();
        line.replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

QStringList LoadRecipientsFile(const QString& path) {
    // A FIFO or device in its place must not hang the start.
    const std::optional<std::string> bytes =
        vantry::ReadRegularFile(QFile::encodeName(path).toStdString(), kMaxRecipientsFileBytes);
    if (!bytes) {
        return {};
    }
    return ParseRecipientsFile(QByteArray::fromStdString(*bytes));
}

bool SaveRecipientsFile(const QString& path, const QStringList& entries,
                        const QString& placeholder) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(FormatRecipientsFile(entries, placeholder));
    return file.commit();
}

}  // namespace murmel
