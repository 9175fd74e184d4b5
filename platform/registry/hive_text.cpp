#include "registry/hive_text.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "base/ascii.h"
#include "base/integer.h"

namespace vantry::registry {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
// A value line may hold a long name and a hex dump of the largest value.
constexpr std::size_t kMaxLogicalLine = kMaxValueNameBytes * 2 + kMaxValueDataBytes * 3 + 256;
constexpr std::size_t kHexBytesPerLine = 25;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits the input into lines (LF or CR LF), one at a time.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    bool Next(std::string_view* line) {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        std::size_t end = bytes_.find('\n', pos_);
        if (end == std::string_view::npos) {
            end = bytes_.size();
        }
        *line = bytes_.substr(pos_, end - pos_);
        if (!line->empty() && line->back() == '\r') {
            line->remove_suffix(1);
        }
        pos_ = end + 1;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// Reads a quoted text starting after its opening quote. \\ and \" are
// escapes; any other backslash stands for itself, so hand-typed paths work.
std::optional<std::string> ReadQuoted(std::string_view text, std::size_t* pos, std::size_t limit) {
    std::string out;
    std::size_t i = *pos;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            *pos = i + 1;
            return out;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out.push_back(text[i + 1]);
            i += 2;
        } else {
            out.push_back(c);
            ++i;
        }
        if (out.size() > limit) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// One to `maxDigits` hex digits and nothing else, as a number.
std::optional<uint32_t> ReadHexNumber(std::string_view digits, std::size_t maxDigits) {
    if (digits.size() > maxDigits) {
        return std::nullopt;
    }
    return vantry::ParseInteger<uint32_t>(digits, 16);
}

std::optional<std::vector<std::byte>> ReadHexList(std::string_view text) {
    std::vector<std::byte> out;
    text = vantry::TrimAscii(text);
    if (text.empty()) {
        return out;
    }
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find(',', start);
        const bool last = end == std::string_view::npos;
        if (last) {
            end = text.size();
        }
        const auto value = ReadHexNumber(vantry::TrimAscii(text.substr(start, end - start)), 2);
        if (!value || out.size() >= kMaxValueDataBytes) {
            return std::nullopt;
        }
        out.push_back(static_cast<std::byte>(*value));
        if (last) {
            return out;
        }
        start = end + 1;
    }
}

bool RestIsBlank(std::string_view text, std::size_t pos) {
    return vantry::TrimAscii(text.substr(std::min(pos, text.size()))).empty();
}

std::optional<Value> ReadData(std::string_view text) {
    if (!text.empty() && text.front() == '"') {
        std::size_t pos = 1;
        auto s = ReadQuoted(text, &pos, kMaxValueDataBytes - 1);
        if (!s || !RestIsBlank(text, pos)) {
            return std::nullopt;
        }
        return Value::String(*s);
    }
    if (vantry::StartsWithIgnoreAsciiCase(text, "dword:")) {
        const auto number = ReadHexNumber(vantry::TrimAscii(text.substr(6)), 8);
        if (!number) {
            return std::nullopt;
        }
        return Value::Dword(*number);
    }
    if (vantry::StartsWithIgnoreAsciiCase(text, "hex")) {
        std::size_t pos = 3;
        uint32_t type = static_cast<uint32_t>(ValueType::Binary);
        if (pos < text.size() && text[pos] == '(') {
            const std::size_t close = text.find(')', pos);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            const auto number = ReadHexNumber(text.substr(pos + 1, close - pos - 1), 8);
            if (!number) {
                return std::nullopt;
            }
            type = *number;
            pos = close + 1;
        }
        if (pos >= text.size() || text[pos] != ':') {
            return std::nullopt;
        }
        auto bytes = ReadHexList(text.substr(pos + 1));
        if (!bytes) {
            return std::nullopt;
        }
        Value v;
        v.type = static_cast<ValueType>(type);
        v.data = std::move(*bytes);
        return v;
    }
    return std::nullopt;
}

// The name part of a value line: "name" or @ for the default value. Sets
// *dataPos to the first byte after the '='.
std::optional<std::string> ReadValueName(std::string_view line, std::size_t* dataPos) {
    std::string name;
    std::size_t pos = 1;
    if (line.front() != '@') {
        auto quoted = ReadQuoted(line, &pos, kMaxValueNameBytes);
        if (!quoted || !ValidValueName(*quoted)) {
            return std::nullopt;
        }
        name = std::move(*quoted);
    }
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
    if (pos >= line.size() || line[pos] != '=') {
        return std::nullopt;
    }
    *dataPos = pos + 1;
    return name;
}

// Only a hex dump may run over several lines, each ending in a backslash; a
// quoted text ending in an escaped backslash must not swallow the next line.
bool ContinuesOnNextLine(std::string_view line, std::size_t dataPos) {
    return line.back() == '\\' &&
           vantry::StartsWithIgnoreAsciiCase(
               vantry::TrimAscii(line.substr(std::min(dataPos, line.size()))), "hex");
}

// "[HKEY_...\path]": the key it names, created, or null when it is not ours.
KeyNode* ReadSection(std::string_view line, Hive hive, HiveData* data) {
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || !RestIsBlank(line, close + 1)) {
        return nullptr;
    }
    const std::string_view inner = line.substr(1, close - 1);
    const std::size_t slash = inner.find('\\');
    const std::string_view hiveName = inner.substr(0, slash);
    const auto parsed = ParseHive(hiveName);
    if (!parsed || *parsed != hive) {
        return nullptr;
    }
    const std::string_view rest =
        slash == std::string_view::npos ? std::string_view{} : inner.substr(slash + 1);
    if (slash != std::string_view::npos && rest.empty()) {
        return nullptr;
    }
    auto parts = SplitKeyPath(rest);
    if (!parts) {
        return nullptr;
    }
    return data->Create(*parts);
}

bool ValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        if (c < 0x80) {
            extra = 0;
        } else if (c >= 0xc2 && c < 0xe0) {
            extra = 1;
        } else if (c >= 0xe0 && c < 0xf0) {
            extra = 2;
        } else if (c >= 0xf0 && c < 0xf5) {
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= s.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

// A string value goes out as plain quoted text only when that reads back
// to the same bytes and a person can read it.
bool PlainTextString(const Value& v) {
    if (v.type != ValueType::String || v.data.empty() || v.data.back() != std::byte{0}) {
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1);
    for (unsigned char c : text) {
        if ((c < 0x20 && c != '\t') || c == 0x7f) {
            return false;
        }
    }
    return ValidUtf8(text);
}

void AppendQuoted(std::string* out, std::string_view text) {
    out->push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out->push_back('\\');
        }
        out->push_back(c);
    }
    out->push_back('"');
}

void AppendValue(std::string* out, const NamedValue& nv) {
    if (nv.name.empty()) {
        out->push_back('@');
    } else {
        AppendQuoted(out, nv.name);
    }
    out->push_back('=');
    const Value& v = nv.value;
    char buf[32];
    if (PlainTextString(v)) {
        AppendQuoted(
            out, std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
    } else if (v.type == ValueType::Dword && v.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) {
            n = (n << 8) | std::to_integer<uint32_t>(v.data[static_cast<std::size_t>(i)]);
        }
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        out->append(buf);
    } else {
        if (v.type == ValueType::Binary) {
            out->append("hex:");
        } else {
            std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<uint32_t>(v.type));
            out->append(buf);
        }
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            if (i > 0) {
                out->push_back(',');
                if (i % kHexBytesPerLine == 0) {
                    out->append("\\\n  ");
                }
            }
            std::snprintf(buf, sizeof buf, "%02x", std::to_integer<unsigned>(v.data[i]));
            out->append(buf);
        }
    }
    out->push_back('\n');
}

// Keys whose existence is implied by a subkey's section need no section.
void AppendKey(std::string* out, const KeyNode& key, std::string* path, bool root) {
    if (!key.Values().empty() || (key.Children().empty() && !root)) {
        out->push_back('[');
        out->append(*path);
        out->append("]\n");
        for (const auto& [folded, nv] : key.Values()) {
            AppendValue(out, nv);
        }
        out->push_back('\n');
    }
    for (const auto& [folded, child] : key.Children()) {
        const std::size_t size = path->size();
        path->push_back('\\');
        path->append(child->Name());
        AppendKey(out, *child, path, false);
        path->resize(size);
    }
}

}  // namespace

HiveParseResult ParseHiveText(std::string_view bytes, Hive hive) {
    HiveParseResult result;
    if (bytes.size() > kMaxHiveFileBytes) {
        bytes = bytes.substr(0, kMaxHiveFileBytes);
        result.complete = false;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    LineReader reader(bytes);
    std::string_view raw;
    bool sawHeader = false;
    bool sawContent = false;
    KeyNode* current = nullptr;
    std::string joined;
    while (reader.Next(&raw)) {
        std::string_view line = vantry::TrimAscii(raw);
        if (line.empty()) {
            continue;
        }
        const bool first = !sawContent;
        sawContent = true;
        if (first && line == kHeader) {
            sawHeader = true;
            continue;
        }
        bool ok = false;
        if (line.front() == '[') {
            current = ReadSection(line, hive, &result.data);
            ok = current != nullptr;
        } else if (line.front() == '"' || line.front() == '@') {
            std::size_t dataPos = 0;
            auto name = ReadValueName(line, &dataPos);
            bool tooLong = false;
            if (name && ContinuesOnNextLine(line, dataPos)) {
                joined.assign(line.substr(0, line.size() - 1));
                std::string_view more;
                while (reader.Next(&more)) {
                    more = vantry::TrimAscii(more);
                    const bool goesOn = !more.empty() && more.back() == '\\';
                    if (goesOn) {
                        more.remove_suffix(1);
                    }
                    if (joined.size() + more.size() > kMaxLogicalLine) {
                        tooLong = true;
                    } else if (!tooLong) {
                        joined.append(more);
                    }
                    if (!goesOn) {
                        break;
                    }
                }
                line = joined;
            }
            if (name && !tooLong && current != nullptr) {
                auto value = ReadData(vantry::TrimAscii(line.substr(dataPos)));
                if (value) {
                    // The last line for a name wins, as on import; the earlier
                    // one would be lost on the next write, so the file counts
                    // as damaged and is kept as a backup.
                    ok = current->FindValue(*name) == nullptr;
                    current->SetValue(*name, *value);
                }
            }
        }
        if (!ok) {
            ++result.badLines;
        }
    }
    if (sawContent && !sawHeader) {
        ++result.badLines;
    }
    if (result.badLines > 0) {
        result.complete = false;
    }
    return result;
}

std::string SerializeHive(const HiveData& data, Hive hive) {
    std::string out(kHeader);
    out.append("\n\n");
    std::string path(HiveName(hive));
    AppendKey(&out, data.Root(), &path, true);
    return out;
}

}  // namespace vantry::registry
