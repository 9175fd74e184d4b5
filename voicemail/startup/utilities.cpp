#include "startup/utilities.h"

#include <QStringDecoder>

#include <QAbstractItemView>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <cmath>

namespace murmel {

QString GetToken(QString& source, QString delimiter, bool removeFlag) {
    if (delimiter.isEmpty()) {
        delimiter = QStringLiteral(",");
    }
    QString result;
    QString remainder;
    const qsizetype pos = source.size() < delimiter.size() ? -1 : source.indexOf(delimiter);
    if (pos < 0) {
        result = source;
    } else {
        result = source.left(pos);
        remainder = source.mid(pos + delimiter.size());
    }
    if (removeFlag) {
        source = remainder;
    }
    return result;
}

QString ReplaceText(QString& source, const QString& find, const QString& replaceWith) {
    if (find.isEmpty()) {
        return source;
    }
    // Resuming one character after the start would never end when the
    // replacement itself holds the searched text past its first character;
    // then the search resumes after the replacement instead.
    const bool selfFeeding = replaceWith.indexOf(find, 1) >= 0;
    qsizetype from = 0;
    while (true) {
        const qsizetype pos = source.indexOf(find, from);
        if (pos < 0) {
            break;
        }
        source.replace(pos, find.size(), replaceWith);
        from = selfFeeding ? pos + replaceWith.size() : pos + 1;
    }
    return source;
}

int InStrLast(const QString& text, const QString& find) {
    if (find.isEmpty() || find.size() > text.size()) {
        return 0;
    }
    for (qsizetype pos = text.size() - find.size(); pos >= 0; --pos) {
        if (QStringView(text).mid(pos, find.size()).compare(find, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(pos + 1);
        }
    }
    return 0;
}

bool DirExists(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    return QFileInfo(path).isDir();
}

bool FileExists(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

void Pause(double seconds) {
    if (!(seconds > 0)) {
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::lround(seconds * 1000.0)), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec(QEventLoop::AllEvents);
}

QString GetTimeZone(int biasMinutes) {
    // Half hours are rounded in two steps: bias/30 to the even neighbour,
    // then the two-digit formatting rounds the remaining half away from zero.
    const double halfHours = std::nearbyint(biasMinutes / 30.0);  // default mode: ties to even
    const double hours = halfHours / 2.0;
    const long shown = std::lround(hours);
    const QString digits =
        QStringLiteral("%1").arg(std::labs(shown), 2, 10, QLatin1Char('0')) + QStringLiteral("00");
    return (hours <= 0 ? QStringLiteral("+") : QStringLiteral("-")) + digits;
}

QString GetTimeZone() {
    const int offsetSeconds = QDateTime::currentDateTime().offsetFromUtc();
    return GetTimeZone(-offsetSeconds / 60);
}

QString FormatMailTime(const QDateTime& local) {
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate date = local.date();
    const QTime time = local.time();
    return QStringLiteral("%1, %2 %3 %4 %5:%6")
        .arg(QLatin1String(kDays[date.dayOfWeek() - 1]))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'));
}

void SetFullRowSelect(QAbstractItemView* view) {
    if (view != nullptr) {
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
    }
}

QString DecodeUtf8OrLatin1(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        return QString::fromLatin1(bytes);
    }
    return text;
}

}  // namespace murmel
