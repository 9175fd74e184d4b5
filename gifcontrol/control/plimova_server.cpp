// The in-process server of the GIF control: its classes, type library and
// the four entry points a host loads it through.

#include <memory>

#include "automation/exports.h"
#include "automation/server.h"
#include "control/plimova.h"
#include "control/plimova_ids.h"
#include "control/property_page.h"

namespace plimova {

using namespace vantry::automation;

const Server& ThisServer() {
    static const Server server(
        {ClassInfo{.clsid = ids::kClsid,
                   .description = ids::kDescription,
                   .progId = ids::kProgId,
                   .versionIndependentProgId = ids::kProgId,
                   .programmable = true,
                   .control = true,
                   .insertable = true,
                   .toolboxBitmap = 1,
                   .miscStatus = ids::kMiscStatus,
                   .create = [] { return std::make_shared<Plimova>(); }},
         ClassInfo{.clsid = ids::kPageClsid,
                   .description = ids::kPageDescription,
                   .progId = ids::kPageProgId,
                   .versionIndependentProgId = ids::kPageVersionIndependentProgId,
                   .programmable = true,
                   .usesTypeLib = false,
                   .create = [] { return std::make_shared<PlimovaPpg>(); }}},
        TypeLibInfo{.libid = ids::kLibid,
                    .name = ids::kTypeLibName,
                    .description = "PlimovaCtrl 1.5 Type Library",
                    .major = ids::kTypeLibMajor,
                    .minor = ids::kTypeLibMinor,
                    .interfaces = {{ids::kIidPlimova, "IPlimova", true},
                                   {ids::kIidPlimovaEvents, "IPlimovaEvents", false}}});
    return server;
}

}  // namespace plimova

VANTRY_AUTOMATION_SERVER(plimova::ThisServer)
