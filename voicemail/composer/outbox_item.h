#pragma once
// The outbox item: the headers and multipart body of one upload, written as a
// file in the outbox folder and later sent unchanged by the upload window.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <string_view>

namespace murmel {

// Outcomes of BuildPost.
enum PostStatus : int {
    kPostDone = 0,
    kPostArchiveMissing = 4,  // no archive, or its path has no folder
    kPostArchiveEmpty = 5,
    kPostArchiveUnreadable = 7,
    kPostNoOwnAddress = 8,    // MyEmail is empty
    kPostItemNotWritten = 9,  // the outbox file could not be created or written
};

// The settings an item is built from, read one by one while building.
class PostSettings {
public:
    virtual ~PostSettings() = default;
    virtual QString MyEmail() const = 0;
    virtual QString MyName() const = 0;
    virtual QString MyCc() const = 0;
    virtual QString MyOrganization() const = 0;
    virtual QString UserLanguage() const = 0;
    virtual QString MyNote() const = 0;
};

// Plain values, for tests and for callers that have read the settings already.
struct FixedPostSettings : PostSettings {
    QString myEmail, myName, myCc, myOrganization, userLanguage, myNote;
    QString MyEmail() const override { return myEmail; }
    QString MyName() const override { return myName; }
    QString MyCc() const override { return myCc; }
    QString MyOrganization() const override { return myOrganization; }
    QString UserLanguage() const override { return userLanguage; }
    QString MyNote() const override { return myNote; }
};

// Everything an item needs besides what the user typed.
struct PostEnvironment {
    QString outboxFolder;  // App.Path + "/Outbox"
    const PostSettings* settings = nullptr;
    std::function<QString(std::string_view)> T;  // language strings
    int versionMajor = 0;
    int versionMinor = 0;
    std::function<QDateTime()> clock;   // local time; now when unset
    std::function<QString()> timeZone;  // "-0500"; the machine's when unset
};

// The final texts of one item, in the order they appear.
struct PostFields {
    QString to;
    QString myName;
    QString myEmail;
    QString subject;       // already replaced when empty
    QString date;          // "Sun, 06 Dec 2026 15:49 -0500"
    QString cc;            // empty: no Cc line
    QString organization;  // empty: no X-Organization line
    bool returnReceipt = false;
    QString language;
    QString version;  // "1.0"
    QString note;
    QString zipName;
};

inline constexpr char kPostBoundary[] = "------MurmelPost";

// A header value with every CR and every LF replaced by a blank.
QString HeaderValue(const QString& value);

// Item text in a Windows code page (CodePageForLocale), '?' for characters
// the page lacks.
QByteArray ItemText(const QString& text, int codePage);

// The whole item, byte for byte. Header values are passed through HeaderValue.
QByteArray ComposePostItem(const PostFields& fields, const QByteArray& archive);

// The Cc line's text from the trimmed Cc box and the MyCc setting.
QString CombineCc(const QString& ccBox, const QString& myCc);

// "yymmddhhmmss.txt" for a local time.
QString OutboxItemName(const QDateTime& local);

// Writes bytes as a new item in folder, named after local time; when that name
// is taken the next free second is used, so no item is ever overwritten. The
// bytes go to a hidden temporary file first, so a failed write leaves no
// partial item. Returns the final path, or empty on failure.
QString WriteOutboxItem(const QString& folder, const QDateTime& local, const QByteArray& bytes);

// Builds and writes one item (returns a PostStatus). returnReceipt is the
// check box's value: 1 means checked. On success *itemPath gets the file.
int BuildPost(const PostEnvironment& env, const QString& to, const QString& cc,
              const QString& subject, int returnReceipt, const QString& zipPath,
              QString* itemPath = nullptr);

}  // namespace murmel
