// Any mount table must parse without harm; the home folder stays first.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "options/drive_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const QStringList drives = murmel::ParseDriveList(
        bytes, QStringLiteral("/home/u"),
        [](const std::string& device) { return QString::fromStdString(device.substr(0, 8)); });
    if (drives.isEmpty() || drives.first() != QStringLiteral("/home/u")) {
        __builtin_trap();
    }
    return 0;
}
