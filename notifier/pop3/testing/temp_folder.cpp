#include "pop3/testing/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

namespace corvy::pop3::testing {

std::string MakeServerFolder(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    ::chmod(pattern.c_str(), 0755);
    return pattern;
}

}  // namespace corvy::pop3::testing
