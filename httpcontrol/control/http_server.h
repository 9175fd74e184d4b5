#pragma once
// The in-process server of the HTTP control: its class, ProgID and type
// library as registration writes them.

#include "automation/server.h"

namespace fetchwire {

const vantry::automation::Server& HttpServer();

}  // namespace fetchwire
