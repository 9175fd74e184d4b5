#pragma once
// What both mail clients share in their result-code tables: the texts of the
// failures of the socket they both use, which each table keeps as one run in
// the same order, and the way a code becomes its text.

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace corvy::pop3 {

// From socket set-up to an unknown failure; the empty slot is the code whose
// text is the server's own reply.
inline constexpr std::array<const char*, 10> kTransportTexts = {
    "Error! Failed to initialize socket!",
    "Error! Failed to resolve host name!",
    "Error! Invalid socket!",
    "Error! Failed to connect to host!",
    "Error! Failed to send to host!",
    "Error! Failed to receive from host!",
    "",
    "Error! Failed to get local host name!",
    "Error! Out of memory!",
    "Error! Unknown error!",
};

// A client's table: its own first codes, the transport run, then its own
// later codes.
template <std::size_t Before, std::size_t After>
constexpr auto ResultTable(const std::array<const char*, Before>& before,
                           const std::array<const char*, After>& after) {
    std::array<const char*, Before + kTransportTexts.size() + After> table{};
    auto at = std::copy(before.begin(), before.end(), table.begin());
    at = std::copy(kTransportTexts.begin(), kTransportTexts.end(), at);
    std::copy(after.begin(), after.end(), at);
    return table;
}

// The text of `code`: the server's reply for `serverError`, the text of
// `unknownError` for a code the table does not have.
std::string ResultText(std::span<const char* const> table, int code, int serverError,
                       int unknownError, std::string_view serverReply);

}  // namespace corvy::pop3
