#include "pop3/result_texts.h"

namespace corvy::pop3 {

std::string ResultText(std::span<const char* const> table, int code, int serverError,
                       int unknownError, std::string_view serverReply) {
    if (code == serverError) {
        return std::string(serverReply);
    }
    if (code < 0 || static_cast<std::size_t>(code) >= table.size()) {
        code = unknownError;
    }
    return table[static_cast<std::size_t>(code)];
}

}  // namespace corvy::pop3
