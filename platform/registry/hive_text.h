#pragma once
// The hive file's text form (REGEDIT4 style), read from bytes and written
// back. The reader never fails: it keeps what it understands and says
// whether anything was left out, so the caller can keep the old file.

#include <cstddef>
#include <string>
#include <string_view>

#include "registry/hive_data.h"

namespace vantry::registry {

struct HiveParseResult {
    HiveData data;
    bool complete = true;      // every line was understood and kept
    std::size_t badLines = 0;  // lines skipped (comments count: they would be lost)
};

// Reads a hive file's bytes. Sections for another hive are skipped.
HiveParseResult ParseHiveText(std::string_view bytes, Hive hive);

// Writes the hive as text that ParseHiveText reads back to the same tree.
std::string SerializeHive(const HiveData& data, Hive hive);

}  // namespace vantry::registry
