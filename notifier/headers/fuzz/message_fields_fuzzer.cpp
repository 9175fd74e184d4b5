// Random message text through the header window's readers: no crash, no
// field longer than the searched text, never a line break in a field, and
// the peek and reply texts stay within their bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "headers/message_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace corvy::headers;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MessageFields f = ExtractMessageFields(text);
    for (const std::string& v : {f.from, f.subject, f.replyTo, f.messageId}) {
        if (v.size() > kFieldSearchLimit || v.find_first_of("\r\n") != std::string::npos) {
            std::abort();
        }
    }
    if (f.date.empty() || f.date.find_first_of("\r\n") != std::string::npos) {
        std::abort();
    }
    if (PeekBodyText(text, 100).size() > 100) {
        std::abort();
    }
    const std::string wire = KeptTextToWire(text);
    const std::string quote = ReplyQuote(f.date, wire);
    if (quote.size() > wire.size() * 2 + f.date.size() + 32) {
        std::abort();
    }
    return 0;
}
