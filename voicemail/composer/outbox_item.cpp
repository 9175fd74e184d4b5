#include "composer/outbox_item.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <unistd.h>
#include <cerrno>

#include "composer/ansi_text.h"
#include "startup/utilities.h"

namespace murmel {

namespace {

constexpr char kCrLf[] = "\r\n";
// How far ahead a name is looked for when many items share one second.
constexpr int kMaxNameTries = 24 * 60 * 60;

// A line of the header part or the note that a reader could take for a
// delimiter would end the part early and lose the recording.
QByteArray NoteLines(const QByteArray& note) {
    const QByteArray delimiter = QByteArray("--") + kPostBoundary;
    QByteArray out;
    qsizetype pos = 0;
    while (pos <= note.size()) {
        qsizetype end = pos;
        while (end < note.size() && note[end] != '\r' && note[end] != '\n') {
            ++end;
        }
        const QByteArray line = note.mid(pos, end - pos);
        if (line.startsWith(delimiter)) {
            out += ' ';
        }
        out += line;
        if (end >= note.size()) {
            break;
        }
        const qsizetype lineEnd =
            (note[end] == '\r' && end + 1 < note.size() && note[end + 1] == '\n') ? 2 : 1;
        out += note.mid(end, lineEnd);
        pos = end + lineEnd;
    }
    return out;
}

// A display name as an RFC 5322 quoted string: backslash and double quote escaped.
QString QuotedName(const QString& name) {
    QString out;
    out.reserve(name.size() + 2);
    for (const QChar c : name) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
        }
        out += c;
    }
    return out;
}

}  // namespace

QString HeaderValue(const QString& value) {
    QString out = value;
    for (QChar& c : out) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            c = QLatin1Char(' ');
        }
    }
    return out;
}

QByteArray ItemText(const QString& text, int codePage) {
    return EncodeAnsi(text, codePage);
}

QString CombineCc(const QString& ccBox, const QString& myCc) {
    if (myCc.trimmed().isEmpty()) {
        return ccBox;
    }
    if (ccBox.isEmpty()) {
        return myCc;
    }
    return ccBox + QStringLiteral(", ") + myCc;
}

QByteArray ComposePostItem(const PostFields& f, const QByteArray& archive) {
    const int codePage = CodePageForLocale(f.language);
    const auto text = [codePage](const QString& t) { return ItemText(t, codePage); };
    const auto header = [&text](const char* name, const QString& value) {
        return QByteArray(name) + text(HeaderValue(value)) + kCrLf;
    };
    const QByteArray boundary(kPostBoundary);
    const QByteArray delimiter = "--" + boundary + kCrLf;

    QByteArray head;
    head += "User-Agent: MurmelMail Client\r\n";
    head += "Content-Type: multipart/form-data; boundary=" + boundary + kCrLf;

    QByteArray body;
    body.reserve(archive.size() + 1024);
    body += delimiter;
    body += "Content-Disposition: form-data; name=\"header\"; filename=\"header.txt\"\r\n";
    body += "Content-Type: text/plain\r\n";
    body += kCrLf;
    body += header("To: ", f.to);
    if (f.myName.isEmpty()) {
        body += header("From: ", f.myEmail);
    } else {
        body += "From: \"" + text(HeaderValue(QuotedName(f.myName))) + "\" <" +
                text(HeaderValue(f.myEmail)) + ">" + kCrLf;
    }
    body += header("Subject: ", f.subject);
    body += header("Date: ", f.date);
    if (!f.cc.isEmpty()) {
        body += header("Cc: ", f.cc);
    }
    if (!f.organization.isEmpty()) {
        body += header("X-Organization: ", f.organization);
    }
    if (f.returnReceipt) {
        body += "X-Return-Receipt: Yes\r\n";
    }
    body += header("X-Language: ", f.language);
    body += "X-Mailer: MurmelMailer\r\n";
    body += header("X-MailerVersion: ", f.version);
    body += kCrLf;
    body += NoteLines(text(f.note)) + kCrLf;
    body += kCrLf;
    body += delimiter;
    body += "Content-Disposition: form-data; name=\"body\"; filename=\"" +
            text(HeaderValue(f.zipName)) + "\"\r\n";
    body += "Content-Type: application/x-zip-compressed\r\n";
    body += kCrLf;
    body += archive;
    body += "\r\n\r\n";
    body += "--" + boundary + "--" + kCrLf;

    QByteArray item;
    item.reserve(head.size() + body.size() + 40);
    item += head;
    item += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    item += body;
    return item;
}

QString OutboxItemName(const QDateTime& local) {
    return local.toString(QStringLiteral("yyMMddHHmmss")) + QStringLiteral(".txt");
}

QString WriteOutboxItem(const QString& folder, const QDateTime& local, const QByteArray& bytes) {
    QDir().mkpath(folder);
    // The temporary name does not end in .txt, so the upload never picks it up.
    QTemporaryFile temp(folder + QStringLiteral("/.item-XXXXXX.part"));
    if (!temp.open()) {
        return {};
    }
    if (temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0) {
        return {};  // the temporary file removes itself
    }
    const QByteArray tempName = QFile::encodeName(temp.fileName());
    for (int i = 0; i < kMaxNameTries; ++i) {
        const QString finalPath = folder + QLatin1Char('/') + OutboxItemName(local.addSecs(i));
        // link() never replaces an existing file, unlike rename().
        if (::link(tempName.constData(), QFile::encodeName(finalPath).constData()) == 0) {
            return finalPath;  // the temporary name is removed with temp
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

int BuildPost(const PostEnvironment& env, const QString& to, const QString& cc,
              const QString& subject, int returnReceipt, const QString& zipPath,
              QString* itemPath) {
    if (!FileExists(zipPath)) {
        return kPostArchiveMissing;
    }
    if (QFileInfo(zipPath).size() == 0) {
        return kPostArchiveEmpty;
    }
    const int slash = InStrLast(zipPath, QStringLiteral("/"));
    if (slash == 0) {
        return kPostArchiveMissing;
    }
    const PostSettings& settings = *env.settings;
    PostFields f;
    f.zipName = zipPath.mid(slash);
    f.myEmail = settings.MyEmail();
    if (f.myEmail.isEmpty()) {
        return kPostNoOwnAddress;
    }
    const QDateTime now = env.clock ? env.clock() : QDateTime::currentDateTime();
    f.to = to;
    f.myName = settings.MyName();
    f.subject = subject.isEmpty() ? env.T("mail0001") : subject;
    f.date =
        FormatMailTime(now) + QLatin1Char(' ') + (env.timeZone ? env.timeZone() : GetTimeZone());
    f.cc = CombineCc(cc, settings.MyCc());
    f.organization = settings.MyOrganization();
    f.returnReceipt = returnReceipt == 1;
    f.language = settings.UserLanguage();
    f.version = QStringLiteral("%1.%2").arg(env.versionMajor).arg(env.versionMinor);
    const QString note = settings.MyNote();
    f.note = note.trimmed().isEmpty() ? env.T("mail0002") : note;

    QFile zip(zipPath);
    if (!zip.open(QIODevice::ReadOnly)) {
        return kPostArchiveUnreadable;
    }
    const QByteArray archive = zip.readAll();
    if (zip.error() != QFileDevice::NoError) {
        return kPostArchiveUnreadable;
    }
    zip.close();

    const QString written = WriteOutboxItem(env.outboxFolder, now, ComposePostItem(f, archive));
    if (written.isEmpty()) {
        return kPostItemNotWritten;
    }
    if (itemPath != nullptr) {
        *itemPath = written;
    }
    return kPostDone;
}

}  // namespace murmel
