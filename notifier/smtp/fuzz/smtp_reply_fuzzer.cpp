// Random server bytes through the reply reader in random-sized pieces: no
// crash, no text beyond its bound, never more consumed than fed; the reply
// read as EHLO extensions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "smtp/smtp_reply.h"

using namespace corvy::smtp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t step = 1 + data[0] % 64;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    SmtpReplyReader reader;
    while (!bytes.empty()) {
        const std::string_view piece = bytes.substr(0, step);
        const std::size_t used = reader.Feed(piece);
        if (used > piece.size() || reader.Text().size() > SmtpReplyReader::kMaxText) {
            std::abort();
        }
        bytes.remove_prefix(used);
        if (reader.Complete()) {
            const int result = reader.Result();
            if (result != kSuccess && result != kServerError) {
                std::abort();
            }
            SmtpErrorText(result, reader.Text());
            // The reply as an EHLO answer: extensions and AUTH mechanisms.
            std::string rest;
            if (FindSmtpExtension(reader.Text(), "AUTH", rest) &&
                (rest.size() > reader.Text().size() || HasSmtpWord(rest, ""))) {
                std::abort();  // no word is empty, nothing is invented
            }
            reader.Reset();
        } else if (used < piece.size()) {
            std::abort();  // an unfinished reply takes every byte
        }
    }
    return 0;
}
