// The entry points hosts find in the control library.

#include "automation/exports.h"

#include "control/http_server.h"

VANTRY_AUTOMATION_SERVER(fetchwire::HttpServer)
