#pragma once
// Recipient boxes and the recent-recipients file Tos.txt. The text work is
// pure so it can be tested without widgets; the widgets are driven by Composer.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace murmel {

inline constexpr int kMaxRecipientsText = 1024;
inline constexpr int kMaxRecentRecipients = 16;
// Tos.txt is our own small file; anything bigger than this is not ours to load.
inline constexpr qint64 kMaxRecipientsFileBytes = 1024 * 1024;

// Splits text at commas, trims each item, skips empty items and
// joins the rest with ", ". Returns 0, or 4 (text left as it is) when the text
// is longer than kMaxRecipientsText characters.
int NormalizeRecipients(QString& text);

// Lines of Tos.txt whose trimmed text is not empty, as read. Lines may end in
// CR LF, LF or CR; text is UTF-8, or Latin-1 when it is not valid UTF-8.
QStringList ParseRecipientsFile(const QByteArray& bytes);

// Tos.txt content: the first kMaxRecentRecipients entries that are not the
// placeholder (compared ignoring case), trimmed, one per CR LF ended line.
QByteArray FormatRecipientsFile(const QStringList& entries, const QString& placeholder);

// Reads Tos.txt; an unreadable or oversized file gives an empty list.
QStringList LoadRecipientsFile(const QString& path);
// Replaces Tos.txt as a whole (temporary file and rename). False on failure.
bool SaveRecipientsFile(const QString& path, const QStringList& entries,
                        const QString& placeholder);

}  // namespace murmel
