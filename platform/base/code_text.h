#pragma once
// Code-to-text tables: each subsystem keeps its own rows and looks its codes
// up through this one function.

#include <span>

namespace vantry {

struct CodeText {
    int code;
    const char* text;
};

// The text of `code` in `table`, or `fallback` where no row has it.
constexpr const char* TextForCode(std::span<const CodeText> table, int code, const char* fallback) {
    for (const CodeText& row : table) {
        if (row.code == code) {
            return row.text;
        }
    }
    return fallback;
}

}  // namespace vantry
