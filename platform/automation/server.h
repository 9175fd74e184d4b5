#pragma once
// An in-process server: the classes one control library offers, its class
// factories, its registration under HKEY_CLASSES_ROOT and its live-object
// count. A control library describes itself once:
//
//   const Server& ThisServer() {
//       static const Server server(
//           {ClassInfo{.clsid = kClsid, .description = "My Control",
//                      .progId = "My.Control.1", .control = true,
//                      .toolboxBitmap = 1, .miscStatus = 131473,
//                      .create = [] { return std::make_shared<MyControl>(); }}},
//           TypeLibInfo{.libid = kLibid, .name = "MyLib", .major = 1, .minor = 0,
//                       .interfaces = {{kIid, "_DMy", false}}});
//       return server;
//   }
//   VANTRY_AUTOMATION_SERVER(ThisServer)   // exports.h: the four entry points
//
// Keys written for a class (MODULE = the library's absolute path):
//   HKCR\<progId> = description; \CLSID = {clsid}
//       (+ \CurVer = progId when versionIndependentProgId equals progId)
//   HKCR\<versionIndependentProgId> = description; \CLSID; \CurVer = progId
//   HKCR\CLSID\{clsid} = description; \ProgID; \VersionIndependentProgID;
//       \Programmable, \Control, \Insertable (empty keys, when asked);
//       \InprocServer32 = MODULE, ThreadingModel; \ToolboxBitmap32 = "MODULE, n";
//       \MiscStatus = "0", \MiscStatus\1 = "<bits>"; \TypeLib = {libid}; \Version = "M.m"
// and for the type library:
//   HKCR\TypeLib\{libid}\M.m = description; \0\linux = MODULE; \FLAGS = "0"; \HELPDIR
//   HKCR\Interface\{iid} = name; \ProxyStubClsid32; \TypeLib = {libid}, Version = "M.m"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/guid.h"
#include "automation/object.h"

namespace vantry::registry {
class Store;
}

namespace vantry::automation {

// Well-known identifiers.
constexpr Iid kIidUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");
constexpr Iid kIidClassFactory = MakeGuid("{00000001-0000-0000-C000-000000000046}");
// Proxy classes a type library's interfaces are registered with.
constexpr Clsid kProxyDispatch = MakeGuid("{00020420-0000-0000-C000-000000000046}");
constexpr Clsid kProxyDual = MakeGuid("{00020424-0000-0000-C000-000000000046}");

// Makes instances of one class.
class IClassFactory : public virtual Object {
public:
    // Throws AutomationError when the object cannot be made.
    virtual ObjectPtr CreateInstance() = 0;
    // Keeps the library loaded while locked, even with no objects alive.
    virtual void LockServer(bool lock) = 0;
};

struct ClassInfo {
    Clsid clsid{};
    std::string description{};               // user type name
    std::string progId{};                    // e.g. "Vendor.Thing.1"
    std::string versionIndependentProgId{};  // optional
    bool programmable = true;
    bool control = false;
    bool insertable = false;
    std::string threadingModel = "Apartment";
    std::optional<int> toolboxBitmap{};    // resource number
    std::optional<uint32_t> miscStatus{};  // written as MiscStatus\1
    bool usesTypeLib = true;               // TypeLib and Version keys, when the server has one
    std::function<ObjectPtr()> create{};   // null: registered but not creatable here
};

struct InterfaceInfo {
    Iid iid{};
    std::string name{};
    bool dual = false;  // dual interfaces use the other proxy class
};

struct TypeLibInfo {
    Guid libid{};
    std::string name{};         // library name, e.g. "MyLib"
    std::string description{};  // help string; name when empty
    uint16_t major = 1;
    uint16_t minor = 0;
    std::vector<InterfaceInfo> interfaces{};

    std::string Version() const;  // "M.m"
};

class Server {
public:
    explicit Server(std::vector<ClassInfo> classes, std::optional<TypeLibInfo> typeLib = {});

    const std::vector<ClassInfo>& Classes() const { return classes_; }
    const std::optional<TypeLibInfo>& TypeLib() const { return typeLib_; }
    const ClassInfo* Find(const Clsid& clsid) const;

    // The factory of a creatable class; null when the class is unknown or
    // not creatable. Objects it makes are counted while alive.
    std::shared_ptr<IClassFactory> ClassObject(const Clsid& clsid) const;
    // No objects alive and no locks.
    bool CanUnloadNow() const;
    long LiveObjects() const;

    // kS_OK, kSELFREG_E_CLASS or kSELFREG_E_TYPELIB.
    int32_t Register(const std::filesystem::path& module, registry::Store& store) const;
    // kS_OK, or kSELFREG_E_CLASS / kSELFREG_E_TYPELIB when a key could not
    // be removed. Keys already missing are not an error.
    int32_t Unregister(registry::Store& store) const;

    struct Counters {
        std::atomic<long> objects{0};
        std::atomic<long> locks{0};
    };

private:
    std::vector<ClassInfo> classes_;
    std::optional<TypeLibInfo> typeLib_;
    std::shared_ptr<Counters> counters_ = std::make_shared<Counters>();
};

// The absolute path of the loaded file (library or program) that holds
// address; empty when it cannot be found.
std::filesystem::path ModulePathOf(const void* address);

}  // namespace vantry::automation
