// Feeds arbitrary bytes to the profile parser, then reads, rewrites and
// re-parses: nothing may crash, a rewrite must keep every readable key, and
// a key and value set from the input must read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/integer.h"
#include "profile/ini_document.h"
#include "profile/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto doc = vantry::profile::IniDocument::Parse(text);
    const auto before = doc.Get("MailAccount0", "AccountName");
    vantry::ParseLeadingInt(doc.Get("CheckMail", "CheckTime").value_or(""));
    doc.Set("CheckMail", "CheckTime", text.substr(0, size % 17));
    // Any key and value the program writes must read back as written.
    std::string key;
    std::string value;
    for (char c : text.substr(0, size / 2)) {
        if (c != '\r' && c != '\n') {
            key.push_back(c);
        }
    }
    for (char c : text.substr(size / 2)) {
        if (c != '\r' && c != '\n') {
            value.push_back(c);
        }
    }
    if (!key.empty()) {
        doc.Set("LastMail", key, value);
    }
    auto again = vantry::profile::IniDocument::Parse(doc.Serialize());
    if (!key.empty() && again.Get("LastMail", key) != value) {
        std::abort();
    }
    // A key lost or changed by a rewrite would be lost data.
    if (before.has_value() && again.Get("MailAccount0", "AccountName") != before) {
        std::abort();
    }
    return 0;
}
