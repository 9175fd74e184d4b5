#include "reg/reg_command.h"

#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>

namespace vantry::regtool {
namespace {

using registry::Hive;
using registry::Store;
using registry::Value;
using registry::ValueType;

constexpr const char* kDone = "The operation completed successfully.";
constexpr const char* kNoKey =
    "ERROR: The system was unable to find the specified registry key or value.";
constexpr const char* kSyntax = "ERROR: Invalid syntax.\nType \"reg /?\" for usage.";

constexpr const char* kUsage =
    "REG QUERY KEY [/v NAME | /ve]\n"
    "REG ADD KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD] [/d DATA] [/f]\n"
    "REG DELETE KEY [/v NAME | /ve] [/f]\n"
    "\n"
    "  KEY   ROOT\\SubKey, ROOT one of HKLM, HKCU, HKU, HKCR or their full names\n"
    "  /v    the value to work on; /ve the key's default (unnamed) value\n"
    "  /t    the type of the value to add (REG_SZ when not given)\n"
    "  /d    the data: text for REG_SZ, a decimal or 0x-hex number for REG_DWORD\n"
    "  /f    do not ask before overwriting or deleting\n"
    "\n"
    "DELETE without /v or /ve removes the key with all its subkeys.\n";

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

struct KeyArg {
    Hive hive;
    std::string path;     // below the hive, without a trailing backslash
    std::string display;  // full name as shown
};

std::optional<KeyArg> ParseKey(const std::string& text) {
    const std::size_t slash = text.find('\\');
    const auto hive = registry::ParseHive(text.substr(0, slash));
    if (!hive) {
        return std::nullopt;
    }
    KeyArg key{*hive, slash == std::string::npos ? std::string() : text.substr(slash + 1), {}};
    if (!key.path.empty() && key.path.back() == '\\') {
        key.path.pop_back();
    }
    key.display = std::string(registry::HiveName(*hive));
    if (!key.path.empty()) {
        key.display += "\\" + key.path;
    }
    return key;
}

struct Options {
    std::optional<std::string> name;  // /v NAME, or "" for /ve
    std::optional<std::string> type;
    std::optional<std::string> data;
    bool force = false;
};

// Switches may come in any order and case, with / or -. Returns false on
// anything it does not know or a switch given twice.
bool ParseOptions(const std::vector<std::string>& args, std::size_t first, bool allowAddSwitches,
                  Options* opt) {
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || (a[0] != '/' && a[0] != '-')) {
            return false;
        }
        const std::string sw = Lower(a.substr(1));
        const bool hasNext = i + 1 < args.size();
        if (sw == "v" && hasNext && !opt->name) {
            opt->name = args[++i];
        } else if (sw == "ve" && !opt->name) {
            opt->name = std::string();
        } else if (sw == "f" && !opt->force) {
            opt->force = true;
        } else if (allowAddSwitches && sw == "t" && hasNext && !opt->type) {
            opt->type = args[++i];
        } else if (allowAddSwitches && sw == "d" && hasNext && !opt->data) {
            opt->data = args[++i];
        } else {
            return false;
        }
    }
    return true;
}

std::optional<uint32_t> ParseDword(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::size_t start = hex ? 2 : 0;
    const unsigned base = hex ? 16 : 10;
    uint64_t n = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        unsigned d = 0;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        n = n * base + d;
        if (n > 0xffffffffu) {
            return std::nullopt;
        }
    }
    return static_cast<uint32_t>(n);
}

std::string TypeName(ValueType type) {
    switch (static_cast<uint32_t>(type)) {
        case 0:
            return "REG_NONE";
        case 1:
            return "REG_SZ";
        case 2:
            return "REG_EXPAND_SZ";
        case 3:
            return "REG_BINARY";
        case 4:
            return "REG_DWORD";
        case 7:
            return "REG_MULTI_SZ";
        case 11:
            return "REG_QWORD";
        default:
            return "REG_UNKNOWN(" + std::to_string(static_cast<uint32_t>(type)) + ")";
    }
}

std::string DataText(const Value& v) {
    if (v.type == ValueType::String || static_cast<uint32_t>(v.type) == 2) {
        return v.Text();
    }
    char buf[16];
    if (v.type == ValueType::Dword && v.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) {
            n = (n << 8) | std::to_integer<uint32_t>(v.data[static_cast<std::size_t>(i)]);
        }
        std::snprintf(buf, sizeof buf, "0x%x", n);
        return buf;
    }
    std::string out;
    for (std::byte b : v.data) {
        std::snprintf(buf, sizeof buf, "%02X", std::to_integer<unsigned>(b));
        out += buf;
    }
    return out;
}

// Text that came from the hive goes to the terminal without its control
// characters, so a stored value cannot drive the terminal.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        out.push_back((c < 0x20 && c != '\t') || c == 0x7f ? '?' : static_cast<char>(c));
    }
    return out;
}

void PrintValue(std::ostream& out, const std::string& name, const Value& v) {
    out << "    " << (name.empty() ? "(Default)" : Printable(name)) << "    " << TypeName(v.type)
        << "    " << Printable(DataText(v)) << "\n";
}

bool Confirm(std::istream& in, std::ostream& out, const std::string& question) {
    out << question << " (Yes/No)? " << std::flush;
    std::string answer;
    if (!std::getline(in, answer)) {
        return false;
    }
    answer = Lower(answer);
    return answer == "y" || answer == "yes";
}

std::string StatusText(long status) {
    switch (status) {
        case registry::kNotFound:
            return kNoKey;
        case registry::kAccessDenied:
            return "ERROR: Access is denied.";
        case registry::kBadKey:
        case registry::kInvalidParameter:
            return "ERROR: Invalid key name or value.";
        default:
            return "ERROR: The registry could not be written (error " + std::to_string(status) +
                   ").";
    }
}

int Query(const KeyArg& key, const Options& opt, Store& store, std::ostream& out,
          std::ostream& err) {
    if (!store.KeyExists(key.hive, key.path)) {
        err << kNoKey << "\n";
        return 1;
    }
    if (opt.name) {
        Value v;
        if (store.QueryValue(key.hive, key.path, *opt.name, &v) != registry::kSuccess) {
            err << kNoKey << "\n";
            return 1;
        }
        // Shown under the name it was stored with, whatever case was typed.
        std::string shown = *opt.name;
        for (const auto& [name, stored] : store.Values(key.hive, key.path)) {
            if (Lower(name) == Lower(*opt.name)) {
                shown = name;
            }
        }
        out << "\n" << Printable(key.display) << "\n";
        PrintValue(out, shown, v);
        out << "\n";
        return 0;
    }
    out << "\n" << Printable(key.display) << "\n";
    for (const auto& [name, v] : store.Values(key.hive, key.path)) {
        PrintValue(out, name, v);
    }
    out << "\n";
    for (const auto& sub : store.SubKeys(key.hive, key.path)) {
        out << Printable(key.display) << "\\" << Printable(sub) << "\n";
    }
    return 0;
}

int Add(const KeyArg& key, const Options& opt, Store& store, std::istream& in, std::ostream& out,
        std::ostream& err) {
    const std::string type = opt.type ? Lower(*opt.type) : "reg_sz";
    Value value;
    if (type == "reg_sz") {
        value = Value::String(opt.data.value_or(""));
    } else if (type == "reg_dword") {
        const auto n = ParseDword(opt.data.value_or("0"));
        if (!n) {
            err << "ERROR: Invalid value for REG_DWORD: " << Printable(opt.data.value_or(""))
                << "\n";
            return 1;
        }
        value = Value::Dword(*n);
    } else {
        err << "ERROR: Unsupported type " << Printable(*opt.type) << " (REG_SZ or REG_DWORD).\n";
        return 1;
    }
    if (!opt.name && (opt.type || opt.data)) {
        err << kSyntax << "\n";
        return 1;
    }
    if (opt.name && !opt.force &&
        store.QueryValue(key.hive, key.path, *opt.name, nullptr) == registry::kSuccess &&
        !Confirm(in, out,
                 "Value " + (opt.name->empty() ? std::string("(Default)") : *opt.name) +
                     " exists, overwrite")) {
        out << "The operation was cancelled.\n";
        return 1;
    }
    long status = registry::kNotFound;
    if (opt.name) {
        // Try the write first, so a refused value name creates no key.
        status = store.SetValue(key.hive, key.path, *opt.name, value);
    }
    if (status == registry::kNotFound) {
        status = store.CreateKey(key.hive, key.path);
        if (status == registry::kSuccess && opt.name) {
            status = store.SetValue(key.hive, key.path, *opt.name, value);
        }
    }
    if (status != registry::kSuccess) {
        err << StatusText(status) << "\n";
        return 1;
    }
    out << kDone << "\n";
    return 0;
}

int Delete(const KeyArg& key, const Options& opt, Store& store, std::istream& in, std::ostream& out,
           std::ostream& err) {
    if (!opt.name && key.path.empty()) {
        err << "ERROR: A whole hive cannot be deleted.\n";
        return 1;
    }
    const bool exists =
        opt.name ? store.QueryValue(key.hive, key.path, *opt.name, nullptr) == registry::kSuccess
                 : store.KeyExists(key.hive, key.path);
    if (!exists) {
        err << kNoKey << "\n";
        return 1;
    }
    const std::string question =
        opt.name ? "Delete the registry value " +
                       (opt.name->empty() ? std::string("(Default)") : *opt.name)
                 : "Permanently delete the registry key " + key.display;
    if (!opt.force && !Confirm(in, out, question)) {
        out << "The operation was cancelled.\n";
        return 1;
    }
    const long status = opt.name ? store.DeleteValue(key.hive, key.path, *opt.name)
                                 : store.DeleteKey(key.hive, key.path);
    if (status != registry::kSuccess) {
        err << StatusText(status) << "\n";
        return 1;
    }
    out << kDone << "\n";
    return 0;
}

}  // namespace

int RunReg(const std::vector<std::string>& args, Store& store, std::istream& in, std::ostream& out,
           std::ostream& err) {
    if (args.empty() || args[0] == "/?" || args[0] == "-?" || Lower(args[0]) == "--help") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? 1 : 0;
    }
    const std::string op = Lower(args[0]);
    if (op != "query" && op != "add" && op != "delete") {
        err << kSyntax << "\n";
        return 1;
    }
    if (args.size() < 2) {
        err << kSyntax << "\n";
        return 1;
    }
    const auto key = ParseKey(args[1]);
    if (!key) {
        err << "ERROR: Invalid key name.\n" << kUsage;
        return 1;
    }
    Options opt;
    if (!ParseOptions(args, 2, op == "add", &opt)) {
        err << kSyntax << "\n";
        return 1;
    }
    if (op == "query") {
        return Query(*key, opt, store, out, err);
    }
    if (op == "add") {
        return Add(*key, opt, store, in, out, err);
    }
    return Delete(*key, opt, store, in, out, err);
}

}  // namespace vantry::regtool
