// The relay's answer comes from outside: any bytes, cut into lines as the
// socket cuts them, must give a bounded result whose Last-Modified text can
// never carry a line end into the next request.
#include <cstddef>
#include <cstdint>

#include "ads/ad_list.h"
#include "ads/ads_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    murmel::AdsAnswer answer;
    // The first byte picks the socket's longest piece, as its buffer size does.
    const qsizetype piece = size > 0 ? 1 + data[0] % 64 : 1;
    qsizetype pos = size > 0 ? 1 : 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        end = end < 0 ? bytes.size() : end + 1;
        end = std::min(end, pos + piece);
        if (answer.Receive(bytes.sliced(pos, end - pos)) ==
            murmel::AdsAnswer::Step::CloseAndUnload) {
            return 0;
        }
        pos = end;
    }
    const murmel::AdsAnswer::Result result = answer.Finish();
    if (result.lastModified && (result.lastModified->contains(QLatin1Char('\r')) ||
                                result.lastModified->contains(QLatin1Char('\n')))) {
        __builtin_trap();
    }
    if (result.lines.size() > static_cast<size_t>(murmel::kMaxAds)) {
        __builtin_trap();
    }
    murmel::AdList list;
    for (const QByteArray& line : result.lines) {
        murmel::MergeAdLine(list, line);
    }
    return 0;
}
