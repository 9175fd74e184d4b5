// Feeds arbitrary server bytes, in arbitrary pieces, to the receive-side line
// cutter and checks what a Receive handler may rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/line_assembler_p.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const int limit = 1 + data[0] % 64;
    const bool lineMode = (data[1] & 1) != 0;
    const size_t step = 1 + data[2] % 17;
    data += 3;
    size -= 3;

    vantry::net::LineAssembler a;
    a.setLimit(limit);
    a.setLineMode(lineMode);
    QByteArray out;
    for (size_t at = 0; at < size; at += step) {
        const size_t n = size - at < step ? size - at : step;
        for (const QByteArray& piece :
             a.Feed(QByteArray(reinterpret_cast<const char*>(data + at), static_cast<int>(n)))) {
            if (piece.isEmpty() || piece.size() > limit) {
                std::abort();
            }
            if (lineMode) {
                const qsizetype lf = piece.indexOf('\n');
                // A line end only ever closes a piece; a piece without one is full.
                if ((lf >= 0 && lf != piece.size() - 1) || (lf < 0 && piece.size() != limit)) {
                    std::abort();
                }
            }
            out.append(piece);
        }
        if (a.pending() > limit) {  // memory stays bounded by the buffer size
            std::abort();
        }
    }
    out.append(a.TakeRest());
    if (out != QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size))) {
        std::abort();
    }
    return 0;
}
