#include "automation/server.h"

#include <dlfcn.h>

#include <algorithm>
#include <new>
#include <string_view>

#include "automation/error.h"
#include "automation/exports.h"
#include "registry/registry.h"

namespace vantry::automation {
namespace {

using registry::Hive;
using registry::Status;
using registry::Value;

constexpr Hive kRoot = Hive::ClassesRoot;

class ClassFactory : public IClassFactory {
public:
    ClassFactory(std::function<ObjectPtr()> create, std::shared_ptr<Server::Counters> counters)
        : create_(std::move(create)), counters_(std::move(counters)) {}

    ObjectPtr CreateInstance() override {
        ObjectPtr obj;
        try {
            obj = create_();
        } catch (const AutomationError&) {
            throw;
        } catch (const std::bad_alloc&) {
            throw AutomationError(errors::kOutOfMemory);
        } catch (const std::exception& e) {
            throw AutomationError(errors::kCannotCreateObject, e.what());
        }
        if (!obj) {
            throw AutomationError(errors::kCannotCreateObject);
        }
        // The returned pointer shares ownership of the object and counts it
        // until the last copy is gone.
        counters_->objects.fetch_add(1);
        Object* raw = obj.get();
        return ObjectPtr(raw, [obj = std::move(obj), counters = counters_](Object*) mutable {
            obj.reset();
            counters->objects.fetch_sub(1);
        });
    }

    void LockServer(bool lock) override {
        if (lock) {
            counters_->locks.fetch_add(1);
        } else if (counters_->locks.load() > 0) {
            counters_->locks.fetch_sub(1);
        }
    }

private:
    std::function<ObjectPtr()> create_;
    std::shared_ptr<Server::Counters> counters_;
};

// Collects the first failure of a run of registry writes.
class Writer {
public:
    explicit Writer(registry::Store& store) : store_(store) {}

    void Key(const std::string& path) { Check(store_.CreateKey(kRoot, path)); }
    void Set(const std::string& path, std::string_view name, std::string_view text) {
        if (Check(store_.CreateKey(kRoot, path))) {
            Check(store_.SetValue(kRoot, path, name, Value::String(text)));
        }
    }
    bool ok() const { return ok_; }

private:
    bool Check(Status s) {
        if (s != registry::kSuccess) {
            ok_ = false;
        }
        return s == registry::kSuccess;
    }
    registry::Store& store_;
    bool ok_ = true;
};

std::string ClsidKey(const Clsid& clsid) {
    return "CLSID\\" + clsid.ToString();
}

bool RegisterClass(const ClassInfo& c, const std::optional<TypeLibInfo>& lib,
                   const std::string& module, registry::Store& store) {
    Writer w(store);
    const std::string clsid = c.clsid.ToString();
    if (!c.progId.empty()) {
        w.Set(c.progId, "", c.description);
        w.Set(c.progId + "\\CLSID", "", clsid);
    }
    if (!c.versionIndependentProgId.empty()) {
        w.Set(c.versionIndependentProgId, "", c.description);
        w.Set(c.versionIndependentProgId + "\\CLSID", "", clsid);
        if (!c.progId.empty()) {
            w.Set(c.versionIndependentProgId + "\\CurVer", "", c.progId);
        }
    }
    const std::string key = ClsidKey(c.clsid);
    w.Set(key, "", c.description);
    if (!c.progId.empty()) {
        w.Set(key + "\\ProgID", "", c.progId);
    }
    if (!c.versionIndependentProgId.empty()) {
        w.Set(key + "\\VersionIndependentProgID", "", c.versionIndependentProgId);
    }
    if (c.programmable) {
        w.Key(key + "\\Programmable");
    }
    if (c.control) {
        w.Key(key + "\\Control");
    }
    if (c.insertable) {
        w.Key(key + "\\Insertable");
    }
    w.Set(key + "\\InprocServer32", "", module);
    if (!c.threadingModel.empty()) {
        w.Set(key + "\\InprocServer32", "ThreadingModel", c.threadingModel);
    }
    if (c.toolboxBitmap) {
        w.Set(key + "\\ToolboxBitmap32", "", module + ", " + std::to_string(*c.toolboxBitmap));
    }
    if (c.miscStatus) {
        w.Set(key + "\\MiscStatus", "", "0");
        w.Set(key + "\\MiscStatus\\1", "", std::to_string(*c.miscStatus));
    }
    if (c.usesTypeLib && lib) {
        w.Set(key + "\\TypeLib", "", lib->libid.ToString());
        w.Set(key + "\\Version", "", lib->Version());
    }
    return w.ok();
}

bool RegisterTypeLib(const TypeLibInfo& lib, const std::filesystem::path& module,
                     registry::Store& store) {
    Writer w(store);
    const std::string libid = lib.libid.ToString();
    const std::string key = "TypeLib\\" + libid + "\\" + lib.Version();
    w.Set(key, "", lib.description.empty() ? lib.name : lib.description);
    w.Set(key + "\\0\\linux", "", module.string());
    w.Set(key + "\\FLAGS", "", "0");
    w.Set(key + "\\HELPDIR", "", module.parent_path().string());
    for (const InterfaceInfo& itf : lib.interfaces) {
        const std::string ikey = "Interface\\" + itf.iid.ToString();
        w.Set(ikey, "", itf.name);
        w.Set(ikey + "\\ProxyStubClsid32", "", (itf.dual ? kProxyDual : kProxyDispatch).ToString());
        w.Set(ikey + "\\TypeLib", "", libid);
        w.Set(ikey + "\\TypeLib", "Version", lib.Version());
    }
    return w.ok();
}

// Deletes a key; a missing key is fine.
bool Remove(registry::Store& store, const std::string& path) {
    if (!store.KeyExists(kRoot, path)) {
        return true;
    }
    const Status s = store.DeleteKey(kRoot, path);
    return s == registry::kSuccess || s == registry::kNotFound;
}

// A ProgID key is removed only while it still names this class, so that
// unregistering an old library does not break a newer one that took it over.
bool RemoveProgId(registry::Store& store, const std::string& progId, const Clsid& clsid) {
    if (progId.empty()) {
        return true;
    }
    Value v;
    if (store.QueryValue(kRoot, progId + "\\CLSID", "", &v) == registry::kSuccess) {
        auto named = Guid::Parse(v.Text());
        if (named && *named != clsid) {
            return true;
        }
    }
    return Remove(store, progId);
}

}  // namespace

std::string TypeLibInfo::Version() const {
    return std::to_string(major) + "." + std::to_string(minor);
}

Server::Server(std::vector<ClassInfo> classes, std::optional<TypeLibInfo> typeLib)
    : classes_(std::move(classes)), typeLib_(std::move(typeLib)) {}

const ClassInfo* Server::Find(const Clsid& clsid) const {
    auto it = std::find_if(classes_.begin(), classes_.end(),
                           [&](const ClassInfo& c) { return c.clsid == clsid; });
    return it == classes_.end() ? nullptr : &*it;
}

std::shared_ptr<IClassFactory> Server::ClassObject(const Clsid& clsid) const {
    const ClassInfo* c = Find(clsid);
    if (c == nullptr || !c->create) {
        return nullptr;
    }
    return std::make_shared<ClassFactory>(c->create, counters_);
}

bool Server::CanUnloadNow() const {
    return counters_->objects.load() == 0 && counters_->locks.load() == 0;
}

long Server::LiveObjects() const {
    return counters_->objects.load();
}

int32_t Server::Register(const std::filesystem::path& module, registry::Store& store) const {
    if (typeLib_ && !RegisterTypeLib(*typeLib_, module, store)) {
        return kSELFREG_E_TYPELIB;
    }
    for (const ClassInfo& c : classes_) {
        if (!RegisterClass(c, typeLib_, module.string(), store)) {
            return kSELFREG_E_CLASS;
        }
    }
    return kS_OK;
}

int32_t Server::Unregister(registry::Store& store) const {
    bool classesOk = true;
    for (const ClassInfo& c : classes_) {
        classesOk &= RemoveProgId(store, c.progId, c.clsid);
        classesOk &= RemoveProgId(store, c.versionIndependentProgId, c.clsid);
        classesOk &= Remove(store, ClsidKey(c.clsid));
    }
    bool libOk = true;
    if (typeLib_) {
        const std::string libKey = "TypeLib\\" + typeLib_->libid.ToString();
        libOk &= Remove(store, libKey + "\\" + typeLib_->Version());
        if (store.KeyExists(kRoot, libKey) && store.SubKeys(kRoot, libKey).empty() &&
            store.Values(kRoot, libKey).empty()) {
            libOk &= Remove(store, libKey);
        }
        for (const InterfaceInfo& itf : typeLib_->interfaces) {
            libOk &= Remove(store, "Interface\\" + itf.iid.ToString());
        }
    }
    if (!classesOk) {
        return kSELFREG_E_CLASS;
    }
    return libOk ? kS_OK : kSELFREG_E_TYPELIB;
}

std::filesystem::path ModulePathOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0') {
        return {};
    }
    std::error_code ec;
    std::filesystem::path path = std::filesystem::canonical(info.dli_fname, ec);
    if (ec) {
        path = std::filesystem::absolute(info.dli_fname, ec);
    }
    return path;
}

std::shared_ptr<IClassFactory> AdoptClassObject(void* out) {
    if (out == nullptr) {
        return nullptr;
    }
    auto* held = static_cast<std::shared_ptr<Object>*>(out);
    ObjectPtr obj = std::move(*held);
    delete held;
    return QueryInterface<IClassFactory>(obj);
}

namespace exports {

int32_t GetClassObject(const Server& server, const Guid* clsid, const Guid* iid, void** out) {
    if (out == nullptr) {
        return kE_POINTER;
    }
    *out = nullptr;
    if (clsid == nullptr) {
        return kE_POINTER;
    }
    try {
        auto factory = server.ClassObject(*clsid);
        if (!factory) {
            return kCLASS_E_CLASSNOTAVAILABLE;
        }
        if (iid != nullptr && *iid != kIidClassFactory && *iid != kIidUnknown) {
            return kE_NOINTERFACE;
        }
        *out = new std::shared_ptr<Object>(std::move(factory));
        return kS_OK;
    } catch (const std::bad_alloc&) {
        return kE_OUTOFMEMORY;
    } catch (...) {
        return kE_FAIL;
    }
}

int32_t CanUnloadNow(const Server& server) {
    return server.CanUnloadNow() ? kS_OK : kS_FALSE;
}

int32_t RegisterServer(const Server& server) {
    try {
        const std::filesystem::path module = ModulePathOf(&server);
        if (module.empty()) {
            return kSELFREG_E_CLASS;
        }
        registry::Store store;
        return server.Register(module, store);
    } catch (...) {
        return kSELFREG_E_CLASS;
    }
}

int32_t UnregisterServer(const Server& server) {
    try {
        registry::Store store;
        return server.Unregister(store);
    } catch (...) {
        return kSELFREG_E_CLASS;
    }
}

}  // namespace exports
}  // namespace vantry::automation
