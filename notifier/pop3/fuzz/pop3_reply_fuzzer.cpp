// Random server bytes through the line reader in random-sized pieces, and
// every line through the reply field readers: no crash, no line longer
// than the reader allows, no byte invented.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pop3/pop3_reply.h"

using namespace corvy::pop3;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t step = 1 + data[0] % 64;
    const char* bytes = reinterpret_cast<const char*>(data) + 1;
    const std::size_t n = size - 1;
    Pop3LineReader reader;
    std::string line;
    std::size_t at = 0;
    std::size_t produced = 0;
    for (;;) {
        const auto outcome = reader.Next(line);
        if (outcome == Pop3LineReader::Outcome::Line) {
            if (line.size() > Pop3LineReader::kMaxLine) {
                std::abort();
            }
            produced += line.size();
            ParseStatCount(line);
            ParseListSize(line);
            std::string uid;
            if (ExtractUidl(line, static_cast<int>(data[0]), uid) && uid.size() > line.size()) {
                std::abort();
            }
            std::string_view piece;
            if (ReadDataLine(line, !reader.LastLineCut(), piece) == MultiLineStep::Data &&
                piece.size() > line.size()) {
                std::abort();
            }
            Pop3ErrorText(ReplyCode(line), line);
            continue;
        }
        if (outcome == Pop3LineReader::Outcome::Closed || (at >= n && reader.Ended())) {
            break;
        }
        if (at >= n) {
            reader.FeedEnd();
            continue;
        }
        const std::size_t want = step < n - at ? step : n - at;
        at += reader.Feed(bytes + at, want);
    }
    if (produced > n) {
        std::abort();
    }
    return 0;
}
