#pragma once
// The ads the main window rotates: the record of one ad, the list keyed by Id
// (without regard to case, in insertion order), the merge of one received ad
// line, and the text of the list file ad/ads.txt. Everything here is pure: no
// files, sockets or widgets.
//
// A line, in the file and on the wire, is six tab-separated fields:
//   Id <TAB> HowLong <TAB> HowManyTimes <TAB> GifUrl <TAB> GotoUrl <TAB> Description

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace murmel {

// The ad no download ever ends.
inline const QString kPermanentAdId = QStringLiteral("a0000");
// Longer lines are dropped, whether read from the file or received.
inline constexpr qsizetype kMaxAdLineBytes = 4096;
// The list never holds more ads; further lines are dropped.
inline constexpr int kMaxAds = 1000;
// The list file written from a full list is well below this.
inline constexpr qsizetype kMaxAdListFileBytes = 8 * 1024 * 1024;

struct cAds {
    QString Id;
    int16_t HowLong = 0;       // seconds on show
    int32_t HowManyTimes = 0;  // showings left; 0 or less at the outset never runs out
    QString GifUrl;            // picture file name in ad/, also the downloader's argument
    QString GotoUrl;           // opened when the ad is clicked
    QString Description;       // tooltip
};

class AdList {
public:
    int Count() const { return static_cast<int>(ads_.size()); }
    bool IsEmpty() const { return ads_.empty(); }
    // Position is 1-based, 1..Count().
    cAds& At(int position) { return ads_[static_cast<size_t>(position - 1)]; }
    const cAds& At(int position) const { return ads_[static_cast<size_t>(position - 1)]; }
    // The ad with this Id, compared without regard to case; null when absent.
    cAds* Find(const QString& id);
    // Appends the ad; false (nothing added) when its Id is taken or the list is full.
    bool Add(cAds ad);
    void RemoveAt(int position);
    const std::vector<cAds>& ads() const { return ads_; }

private:
    std::vector<cAds> ads_;
};

// True for a name that stays inside ad/ and is harmless on a command line:
// 1 to 255 bytes, no "/", "\", "..", no leading ".", no control characters.
bool IsPlainAdFileName(const QString& name);

// A decimal integer in the type's range (blanks around it allowed), or nothing.
std::optional<int16_t> ParseAdInt16(QStringView text);
std::optional<int32_t> ParseAdInt32(QStringView text);

enum class MergeResult { Added, Updated, Skipped };

// Merges one received ad line: an ad with the same Id is updated in place
// (keeping its position), any other is appended. A number field that does not
// convert leaves the number as it was (0 for a new ad). Skipped: an empty Id,
// a line longer than kMaxAdLineBytes or holding CR, LF or NUL, a GifUrl that
// is not a plain file name, or a new ad when the list is full.
MergeResult MergeAdLine(AdList& list, QByteArrayView line);

// Lets every counted ad but the permanent one run out after one more showing.
void EndCurrentAds(AdList& list);

// Reads the list file's text. Lines may end in CR LF or LF. Lines whose
// numbers do not convert, whose Id repeats, or that MergeAdLine would skip
// are left out; reading stops after kMaxAds ads.
AdList ParseAdListFile(QByteArrayView bytes);

// The list file's text: one CR LF ended line per ad, numbers in decimal.
QByteArray FormatAdListFile(const AdList& list);

// Reads ad/ads.txt (only a regular file, never blocking); an empty list when
// it cannot be read.
AdList LoadAdListFile(const QString& path);
// Replaces the file as a whole through a temporary file and a rename, mode
// 0600. False when it could not be written; the old file then stays.
bool SaveAdListFile(const QString& path, const AdList& list);

}  // namespace murmel
