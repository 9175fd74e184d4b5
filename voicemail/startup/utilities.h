#pragma once
// Small text, file and time helpers shared by every window of the voice-mail
// program. Positions are 1-based where callers think in those terms.

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

class QAbstractItemView;

namespace murmel {

// The part of source before the first delimiter (an empty delimiter means
// ","). With removeFlag, source becomes the text after the delimiter.
QString GetToken(QString& source, QString delimiter, bool removeFlag);

// Replaces each occurrence of find left to right; the search resumes one
// character after the start of each replacement. Returns the new text and
// leaves it in source.
QString ReplaceText(QString& source, const QString& find, const QString& replaceWith);

// 1-based position of the last occurrence of find, ignoring case; 0 if none.
int InStrLast(const QString& text, const QString& find);

// True when path names an existing folder.
bool DirExists(const QString& path);
// True when path names an existing file (not a folder), hidden or read-only alike.
bool FileExists(const QString& path);

// Waits the given seconds while the event loop keeps running, so handlers
// (timers, sockets, clicks) run inside the wait.
void Pause(double seconds);

// Zone text for mail dates from a bias in minutes (local + bias = UTC):
// 300 -> "-0500", -60 -> "+0100", 0 -> "+0000".
QString GetTimeZone(int biasMinutes);
// The same for the machine's current zone.
QString GetTimeZone();

// "ddd, dd mmm yyyy hh:mm" with English day and month names, whatever the
// user's locale: the relay server and mail headers expect them.
QString FormatMailTime(const QDateTime& local);

// Text files of the program are UTF-8; older ones written in a single-byte
// code page still show their Latin letters instead of replacement marks.
QString DecodeUtf8OrLatin1(QByteArrayView bytes);

// Whole rows are selected in the list, as the address lists expect.
void SetFullRowSelect(QAbstractItemView* view);

}  // namespace murmel
