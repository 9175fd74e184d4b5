#pragma once
// Listening sockets for the tests' own servers: always on 127.0.0.1, on a
// port the system chooses.

#include <cstdint>

namespace vantry::test {

// A listening socket on 127.0.0.1 with the given backlog; its port in *port.
// A non-zero receiveBuffer is set before listening, so accepted connections
// take it (a server that reads slowly fills up fast). Throws when it fails.
int ListenOnLoopback(int backlog, std::uint16_t* port, int receiveBuffer = 0);

}  // namespace vantry::test
