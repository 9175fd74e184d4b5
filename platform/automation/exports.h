#pragma once
// The four C entry points of a control library and the host side of them.
//
// In the control library, after defining `const Server& ThisServer()`:
//   VANTRY_AUTOMATION_SERVER(ThisServer)
//
// DllGetClassObject(clsid, iid, out): iid must be kIidClassFactory or
// kIidUnknown (or null); on kS_OK *out holds a heap-allocated
// std::shared_ptr<Object> the caller adopts with AdoptClassObject.
// DllCanUnloadNow returns kS_OK when nothing is alive, else kS_FALSE.
// DllRegisterServer / DllUnregisterServer use the registry folder of the
// environment and return kS_OK or a self-registration failure code.

#include <cstdint>

#include "automation/error.h"
#include "automation/guid.h"
#include "automation/object.h"
#include "automation/server.h"

namespace vantry::automation {

using DllGetClassObjectFn = int32_t (*)(const Guid* clsid, const Guid* iid, void** out);
using DllCanUnloadNowFn = int32_t (*)();
using DllRegisterServerFn = int32_t (*)();
using DllUnregisterServerFn = int32_t (*)();

// Takes ownership of what DllGetClassObject put in *out (null stays null).
std::shared_ptr<IClassFactory> AdoptClassObject(void* out);

namespace exports {
// The bodies of the entry points; nothing escapes them but a result code.
int32_t GetClassObject(const Server& server, const Guid* clsid, const Guid* iid, void** out);
int32_t CanUnloadNow(const Server& server);
// The server object lives in the control library, so its address names the
// library file that is registered.
int32_t RegisterServer(const Server& server);
int32_t UnregisterServer(const Server& server);
}  // namespace exports

}  // namespace vantry::automation

#define VANTRY_AUTOMATION_EXPORT extern "C" __attribute__((visibility("default")))

#define VANTRY_AUTOMATION_SERVER(serverFunction)                                                 \
    VANTRY_AUTOMATION_EXPORT int32_t DllGetClassObject(const ::vantry::automation::Guid* clsid,  \
                                                       const ::vantry::automation::Guid* iid,    \
                                                       void** out) {                             \
        return ::vantry::automation::exports::GetClassObject(serverFunction(), clsid, iid, out); \
    }                                                                                            \
    VANTRY_AUTOMATION_EXPORT int32_t DllCanUnloadNow() {                                         \
        return ::vantry::automation::exports::CanUnloadNow(serverFunction());                    \
    }                                                                                            \
    VANTRY_AUTOMATION_EXPORT int32_t DllRegisterServer() {                                       \
        return ::vantry::automation::exports::RegisterServer(serverFunction());                  \
    }                                                                                            \
    VANTRY_AUTOMATION_EXPORT int32_t DllUnregisterServer() {                                     \
        return ::vantry::automation::exports::UnregisterServer(serverFunction());                \
    }
