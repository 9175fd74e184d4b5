#pragma once
// The `reg` command over the registry store: query, add and delete values
// the way people know from the platform's own tool.

#include <iosfwd>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace vantry::regtool {

// Runs one command (args without the program name). Questions go to `out`
// and their answers come from `in`. Returns the exit code: 0 on success,
// 1 on failure.
int RunReg(const std::vector<std::string>& args, registry::Store& store, std::istream& in,
           std::ostream& out, std::ostream& err);

}  // namespace vantry::regtool
