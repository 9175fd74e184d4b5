// Recent-recipients file and recipient text: any bytes must parse without harm,
// and what is written back must read back to the same entries.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "composer/recipients.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = murmel::ParseRecipientsFile(bytes);
    for (QString line : lines) {
        if (line.trimmed().isEmpty()) {
            __builtin_trap();
        }
        murmel::NormalizeRecipients(line);
    }
    const QByteArray written = murmel::FormatRecipientsFile(lines, QStringLiteral("<p>"));
    const QStringList again = murmel::ParseRecipientsFile(written);
    if (again.size() > murmel::kMaxRecentRecipients) {
        __builtin_trap();
    }
    return 0;
}
