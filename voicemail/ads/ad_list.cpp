#include "ads/ad_list.h"

#include <QFile>
#include <QSaveFile>

#include <limits>

#include "base/regular_file.h"
#include "startup/utilities.h"

namespace murmel {

cAds* AdList::Find(const QString& id) {
    for (cAds& ad : ads_) {
        if (ad.Id.compare(id, Qt::CaseInsensitive) == 0) {
            return &ad;
        }
    }
    return nullptr;
}

bool AdList::Add(cAds ad) {
    if (Count() >= kMaxAds || Find(ad.Id) != nullptr) {
        return false;
    }
    ads_.push_back(std::move(ad));
    return true;
}

void AdList::RemoveAt(int position) {
    if (position >= 1 && position <= Count()) {
        ads_.erase(ads_.begin() + (position - 1));
    }
}

bool IsPlainAdFileName(const QString& name) {
    // 255 bytes is the longest file name the file system stores.
    if (name.isEmpty() || name.toUtf8().size() > 255 || name.startsWith(QLatin1Char('.')) ||
        name.contains(QLatin1String(".."))) {
        return false;
    }
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 ||
            c.unicode() == 0x7f || c.category() == QChar::Other_Control) {
            return false;
        }
    }
    return true;
}

namespace {

template <typename Int>
std::optional<Int> ParseDecimal(QStringView text) {
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+'))) {
        negative = text.front() == QLatin1Char('-');
        text = text.sliced(1);
    }
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<Int>::min())
                                   : static_cast<int64_t>(std::numeric_limits<Int>::max());
    int64_t value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
        value = value * 10 + (c.unicode() - '0');
        if (value > limit) {
            return std::nullopt;
        }
    }
    return static_cast<Int>(negative ? -value : value);
}

struct AdFields {
    QString id;
    std::optional<int16_t> howLong;
    std::optional<int32_t> howManyTimes;
    QString gifUrl;
    QString gotoUrl;
    QString description;
};

// Splits one line into its fields; the last takes the rest of the line.
// Nothing for a line no ad may come from.
std::optional<AdFields> SplitAdLine(QByteArrayView line) {
    if (line.size() > kMaxAdLineBytes) {
        return std::nullopt;
    }
    for (const char c : line) {
        // A line end inside a field would split the ad in the list file.
        if (c == '\r' || c == '\n' || c == '\0') {
            return std::nullopt;
        }
    }
    const QString text = DecodeUtf8OrLatin1(line);
    QStringView rest(text);
    auto next = [&rest](bool last) {
        const qsizetype tab = last ? -1 : rest.indexOf(QLatin1Char('\t'));
        const QStringView field = tab < 0 ? rest : rest.left(tab);
        rest = tab < 0 ? QStringView() : rest.sliced(tab + 1);
        return field;
    };
    AdFields f;
    f.id = next(false).toString();
    f.howLong = ParseAdInt16(next(false));
    f.howManyTimes = ParseAdInt32(next(false));
    f.gifUrl = next(false).toString();
    f.gotoUrl = next(false).toString();
    f.description = next(true).toString();
    // The picture name reaches the file system and the downloader's argv.
    if (f.id.isEmpty() || !IsPlainAdFileName(f.gifUrl)) {
        return std::nullopt;
    }
    return f;
}

void Apply(cAds& ad, const AdFields& f) {
    if (f.howLong) {
        ad.HowLong = *f.howLong;
    }
    if (f.howManyTimes) {
        ad.HowManyTimes = *f.howManyTimes;
    }
    ad.GifUrl = f.gifUrl;
    ad.GotoUrl = f.gotoUrl;
    ad.Description = f.description;
}

QByteArray FormatAdLine(const cAds& ad) {
    return ad.Id.toUtf8() + '\t' + QByteArray::number(ad.HowLong) + '\t' +
           QByteArray::number(ad.HowManyTimes) + '\t' + ad.GifUrl.toUtf8() + '\t' +
           ad.GotoUrl.toUtf8() + '\t' + ad.Description.toUtf8() + "\r\n";
}

// The ad as it will be written must also be read back: Latin-1 text grows in
// UTF-8 and a number kept from before may be longer than the received field.
bool FitsOneLine(const cAds& ad) {
    return FormatAdLine(ad).size() <= kMaxAdLineBytes + 2;
}

}  // namespace

std::optional<int16_t> ParseAdInt16(QStringView text) {
    return ParseDecimal<int16_t>(text);
}

std::optional<int32_t> ParseAdInt32(QStringView text) {
    return ParseDecimal<int32_t>(text);
}

MergeResult MergeAdLine(AdList& list, QByteArrayView line) {
    const std::optional<AdFields> fields = SplitAdLine(line);
    if (!fields) {
        return MergeResult::Skipped;
    }
    cAds* existing = list.Find(fields->id);
    cAds ad;
    if (existing != nullptr) {
        ad = *existing;
    } else {
        ad.Id = fields->id;
    }
    Apply(ad, *fields);
    if (!FitsOneLine(ad)) {
        return MergeResult::Skipped;
    }
    if (existing != nullptr) {
        *existing = std::move(ad);
        return MergeResult::Updated;
    }
    return list.Add(std::move(ad)) ? MergeResult::Added : MergeResult::Skipped;
}

void EndCurrentAds(AdList& list) {
    for (int i = 1; i <= list.Count(); ++i) {
        cAds& ad = list.At(i);
        if (ad.Id.compare(kPermanentAdId, Qt::CaseInsensitive) != 0 && ad.HowManyTimes > 0) {
            ad.HowManyTimes = 1;
        }
    }
}

AdList ParseAdListFile(QByteArrayView bytes) {
    AdList list;
    qsizetype pos = 0;
    while (pos < bytes.size() && list.Count() < kMaxAds) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0) {
            end = bytes.size();
        }
        QByteArrayView line = bytes.sliced(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const std::optional<AdFields> f = SplitAdLine(line);
        if (!f || !f->howLong || !f->howManyTimes || list.Find(f->id) != nullptr) {
            continue;
        }
        cAds ad;
        ad.Id = f->id;
        Apply(ad, *f);
        if (FitsOneLine(ad)) {
            list.Add(std::move(ad));
        }
    }
    return list;
}

QByteArray FormatAdListFile(const AdList& list) {
    QByteArray out;
    for (const cAds& ad : list.ads()) {
        out += FormatAdLine(ad);
    }
    return out;
}

AdList LoadAdListFile(const QString& path) {
    const std::optional<std::string> bytes = vantry::ReadRegularFile(
        QFile::encodeName(path).toStdString(), static_cast<size_t>(kMaxAdListFileBytes));
    if (!bytes) {
        return {};
    }
    return ParseAdListFile(QByteArrayView(bytes->data(), static_cast<qsizetype>(bytes->size())));
}

bool SaveAdListFile(const QString& path, const AdList& list) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray text = FormatAdListFile(list);
    if (!file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace murmel
