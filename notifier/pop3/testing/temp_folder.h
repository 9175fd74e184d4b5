#pragma once
// Folders for the servers the tests start: under /tmp and open for others to
// enter (0755), because a server may run parts of itself as its own accounts,
// which cannot reach the private test root.

#include <string>

namespace corvy::pop3::testing {

// A new folder "/tmp/<prefix>-XXXXXX"; empty when none could be made.
std::string MakeServerFolder(const std::string& prefix);

}  // namespace corvy::pop3::testing
