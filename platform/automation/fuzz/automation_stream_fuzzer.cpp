// Saved control data comes from files a user may have edited: every reader
// of a stream must take any bytes without harm, and what it accepts must
// write back to the same value. Strings from the same bytes go through the
// text conversions and the number parser.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "automation/persist.h"
#include "automation/variant.h"

using namespace vantry::automation;

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void TaggedRoundTrip(const Variant& v) {
    ByteStream out;
    Check(out.WriteTaggedValue(v));
    out.Seek(0);
    Variant back;
    Check(out.ReadTaggedValue(back));
    Check(back == v);
    Check(out.Remaining() == 0);
}

void Coerce(const Variant& v) {
    for (auto type : {VariantType::Bool, VariantType::Int16, VariantType::Int32, VariantType::Color,
                      VariantType::String}) {
        try {
            const Variant c = ChangeType(v, type);
            Check(c.Type() == type);
        } catch (const AutomationError& e) {
            Check(e.Number() == errors::kTypeMismatch || e.Number() == errors::kOverflow);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The stream readers, driven by the input's own bytes.
    ByteStream s = ByteStream::FromString(bytes);
    while (s.Remaining() > 0) {
        const size_t before = s.Position();
        Variant v;
        std::u16string text;
        std::string raw;
        const size_t choice = before % 3;
        bool ok;
        if (choice == 0) {
            ok = s.ReadTaggedValue(v);
            if (ok) {
                TaggedRoundTrip(v);
                Coerce(v);
            }
        } else if (choice == 1) {
            ok = s.ReadBstr(text);
            if (ok) {
                Coerce(Variant(text));
            }
        } else {
            ok = s.ReadArchiveString(raw);
        }
        Check(ok ? s.Position() > before : s.Position() == before);
        if (!ok) {
            s.Seek(before + 1);  // skip a byte and try again
        }
    }

    // Text: repaired UTF-8 is stable, bytes survive widening.
    const std::u16string wide = FromUtf8(bytes);
    Check(FromUtf8(Utf8(wide)) == wide);
    Check(NarrowBytes(WidenBytes(bytes)) == bytes);
    Coerce(Variant(wide));
    return 0;
}
