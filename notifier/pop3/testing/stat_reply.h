#pragma once
// STAT's two results as one value, so a test checks the count and the code
// in one comparison.

#include <utility>

#include "pop3/pop3_client.h"

namespace corvy::pop3::testing {

using StatReply = std::pair<int, int>;  // message count, result code

inline StatReply StatOf(CPop3Client& client) {
    int code = -1;
    const int count = client.Stat(code);
    return {count, code};
}

}  // namespace corvy::pop3::testing
