#pragma once
// Texts of the socket-layer codes as the control reports them, and the turn
// of an engine result into the automation error a host sees.

#include <string>

namespace fetchwire {

class HttpRequest;

// "[10061] Connection refused.", or "[N] (no description available)".
std::string WinsockErrorText(int code);

// Throws the automation error for a non-zero engine result: 20302 as
// itself, 20201 as 7 "Out of memory.", the engine's own codes with their
// message, socket-layer codes as code + 15001 with their text.
void ReportError(int code, const HttpRequest& engine);

}  // namespace fetchwire
