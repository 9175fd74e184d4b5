#include "registry/autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/atomic_file.h"

namespace vantry::registry {
namespace {

std::vector<std::string> SplitCommandLine(std::string_view command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : command) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

// One argument of an Exec key: quoted when it holds a reserved character,
// then escaped again as a desktop-entry string value.
std::string ExecArgument(const std::string& word) {
    bool needsQuotes = word.empty();
    for (char c : word) {
        if (std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos) {
            needsQuotes = true;
        }
    }
    std::string arg;
    if (needsQuotes) {
        arg.push_back('"');
        for (char c : word) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') {
                arg.push_back('\\');
            }
            arg.push_back(c);
        }
        arg.push_back('"');
    } else {
        arg = word;
    }
    std::string out;
    for (char c : arg) {
        if (c == '%') {
            out.append("%%");
        } else if (c == '\\') {
            out.append("\\\\");
        } else if (c == '\n') {
            out.append("\\n");
        } else if (c == '\r') {
            out.append("\\r");
        } else if (c == '\t') {
            out.append("\\t");
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool PlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    for (unsigned char c : name) {
        if (c == '/' || c < 0x20 || c == 0x7f) {
            return false;
        }
    }
    return true;
}

std::filesystem::path ConfigHome() {
    if (const char* dir = std::getenv("XDG_CONFIG_HOME"); dir != nullptr && dir[0] == '/') {
        return dir;
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : "/") / ".config";
}

}  // namespace

std::filesystem::path AutostartFolder() {
    return ConfigHome() / "autostart";
}

void MirrorAutostart(std::string_view entryName, std::string_view command) {
    if (!PlainFileName(entryName)) {
        return;
    }
    const auto folder = AutostartFolder();
    const auto file = folder / (std::string(entryName) + ".desktop");
    const auto words = SplitCommandLine(command);
    std::error_code ec;
    if (words.empty()) {
        std::filesystem::remove(file, ec);
        return;
    }
    std::filesystem::create_directories(folder, ec);
    std::string exec;
    for (const auto& word : words) {
        if (!exec.empty()) {
            exec.push_back(' ');
        }
        exec.append(ExecArgument(word));
    }
    std::string name;
    for (char c : entryName) {
        if (c == '\\') {
            name.push_back('\\');
        }
        name.push_back(c);
    }
    const std::string text = "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec +
                             "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    AtomicWriteOptions options;
    options.mode = 0644;  // the session reads desktop entries, not only we
    WriteFileAtomically(file, text, options);
}

}  // namespace vantry::registry
