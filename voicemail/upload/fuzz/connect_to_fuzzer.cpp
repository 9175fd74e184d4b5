// The server address setting and error descriptions come from outside: any
// text must give a host and a port in range, and an error text, without harm.
#include <cstddef>
#include <cstdint>

#include <QString>

#include "upload/upload_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const murmel::ServerAddress address = murmel::ParseConnectTo(text);
    if (address.port < 0 || address.port > 65535 || address.host.size() > text.size()) {
        __builtin_trap();
    }
    murmel::IsDottedAddress(address.host);
    const int code = size >= 2 ? (data[0] << 8 | data[1]) + 20000 : 0;
    const QString message = murmel::UploadErrorMessage(
        code, text, [](std::string_view id) { return QString::fromLatin1(id.data(), 6); });
    if (message.isEmpty()) {
        __builtin_trap();
    }
    return 0;
}
