#include "control/sequence.h"

#include <algorithm>
#include <cstdint>

namespace plimova {

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int16_t ReadNumber(std::u16string_view piece) {
    std::size_t i = 0;
    while (i < piece.size() && IsBlank(piece[i])) {
        ++i;
    }
    bool negative = false;
    if (i < piece.size() && (piece[i] == u'+' || piece[i] == u'-')) {
        negative = piece[i] == u'-';
        ++i;
    }
    // Kept within 32 bits however many digits come; the 16-bit frame
    // number then takes the low bits, as a narrowing would.
    int64_t value = 0;
    while (i < piece.size() && piece[i] >= u'0' && piece[i] <= u'9') {
        value = std::min<int64_t>(value * 10 + (piece[i] - u'0'), INT32_MAX);
        ++i;
    }
    const auto v32 = static_cast<int32_t>(negative ? -value : value);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v32)));
}

}  // namespace

std::vector<int16_t> ParseSequence(std::u16string_view text) {
    std::vector<int16_t> list;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u',', start);
        if (end == std::u16string_view::npos) {
            end = text.size();
        }
        const std::u16string_view piece = text.substr(start, end - start);
        if (!piece.empty()) {
            list.push_back(ReadNumber(piece));
        }
        start = end + 1;
    }
    return list;
}

}  // namespace plimova
