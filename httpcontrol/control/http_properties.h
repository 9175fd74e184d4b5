#pragma once
// The HTTP control's properties, one row each, in the order hosts know
// them. Dispatch, the accessors of plain request fields, saving and loading
// all follow from this table; adding a property is adding a row.

#include <cstdint>
#include <span>

#include "control/http_ctrl.h"

namespace fetchwire {

struct PropertyRow {
    const char* name;
    va::DispId id;
    va::VariantType type;
    va::Variant (*get)(const CHTTPCtrl&);         // null: write-only
    void (*put)(CHTTPCtrl&, const va::Variant&);  // null: read-only
    // Place in the saved data (1 first; 0: not saved) and the value a new
    // control, or a bag without the entry, starts from. A saved Long is a
    // port (0-65535); a saved Boolean is stored in streams as a Long.
    int savedAt = 0;
    const char* defaultText = "";  // bytes, one per character
    int32_t defaultNumber = 0;
};

std::span<const PropertyRow> HttpProperties();

// The saved rows in the order of the saved data.
std::span<const PropertyRow* const> SavedHttpProperties();

}  // namespace fetchwire
