#pragma once
// Creating a registered class by ProgID or CLSID: the registry names the
// library (HKCR\CLSID\{clsid}\InprocServer32), which is loaded with dlopen
// and asked for its class factory through DllGetClassObject. Libraries stay
// loaded for the life of the process, so objects never outlive their code.
//
//   ObjectPtr obj = CreateObject("PlimovaCtrl.Plimova");   // AutomationError 429 on failure

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/guid.h"
#include "automation/object.h"
#include "automation/server.h"

namespace vantry::registry {
class Store;
}

namespace vantry::automation {

// HKCR\<progId>\CLSID, or the CLSID of its CurVer when it has none.
std::optional<Clsid> ClsidFromProgId(const registry::Store& store, std::string_view progId);
// The library registered for clsid; nullopt when not registered.
std::optional<std::filesystem::path> InprocServerOf(const registry::Store& store,
                                                    const Clsid& clsid);

// A class as the registry lists it.
struct RegisteredClass {
    Clsid clsid{};
    std::string description{};
    std::string progId{};             // empty when it has none
    std::filesystem::path library{};  // InprocServer32
    bool control = false;             // marked as a control
};

// The classes under HKCR\CLSID that name a library, sorted by ProgID;
// with controlsOnly, those marked as controls (what a container offers to
// insert). Keys that are not braced class identifiers are skipped.
std::vector<RegisteredClass> RegisteredClasses(const registry::Store& store, bool controlsOnly);

// Throw AutomationError 429 with the reason in the description.
std::shared_ptr<IClassFactory> GetClassObject(const registry::Store& store, const Clsid& clsid);
ObjectPtr CreateInstance(const registry::Store& store, const Clsid& clsid);
ObjectPtr CreateObject(const registry::Store& store, std::string_view progId);
// In the registry folder of the environment.
ObjectPtr CreateObject(std::string_view progId);

}  // namespace vantry::automation
