// What the control library offers and registers, and its four entry points.

#include "control/http_server.h"

#include <memory>

#include "automation/exports.h"
#include "control/http_ctrl.h"

namespace fetchwire {

const vantry::automation::Server& HttpServer() {
    using namespace vantry::automation;
    static const Server server(
        {ClassInfo{.clsid = kHttpClsid,
                   .description = "HTTP Control",
                   .progId = kHttpProgId,
                   .control = true,
                   .insertable = false,
                   .toolboxBitmap = 1,
                   .miscStatus = kHttpMiscStatus,
                   .create = [] { return std::make_shared<CHTTPCtrl>(); }}},
        TypeLibInfo{.libid = kHttpLibId,
                    .name = "HTTPLib",
                    .description = "HTTP Control",
                    .major = 2,
                    .minor = 0,
                    .interfaces = {{kHttpDispatchIid, "_DHTTP", false},
                                   {kHttpEventsIid, "_DHTTPEvents", false}}});
    return server;
}

}  // namespace fetchwire
