// The list file and received ad lines come from outside: any bytes must give
// a bounded list that reads back as written, and merge without harm.
#include <cstddef>
#include <cstdint>

#include "ads/ad_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    murmel::AdList list = murmel::ParseAdListFile(bytes);
    if (list.Count() > murmel::kMaxAds) {
        __builtin_trap();
    }
    const QByteArray written = murmel::FormatAdListFile(list);
    if (murmel::FormatAdListFile(murmel::ParseAdListFile(written)) != written) {
        __builtin_trap();
    }
    // Each line of the input merged on top, then the counted ads ended.
    qsizetype pos = 0;
    while (pos <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0) {
            end = bytes.size();
        }
        murmel::MergeAdLine(list, bytes.sliced(pos, end - pos));
        pos = end + 1;
    }
    murmel::EndCurrentAds(list);
    for (const murmel::cAds& ad : list.ads()) {
        if (!murmel::IsPlainAdFileName(ad.GifUrl) || ad.Id.isEmpty()) {
            __builtin_trap();
        }
    }
    return list.Count() > murmel::kMaxAds;
}
