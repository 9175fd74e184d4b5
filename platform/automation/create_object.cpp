#include "automation/create_object.h"

#include <dlfcn.h>

#include <algorithm>
#include <string>

#include "automation/error.h"
#include "automation/exports.h"
#include "registry/registry.h"

namespace vantry::automation {
namespace {

using registry::Hive;

[[noreturn]] void CannotCreate(const std::string& why) {
    throw AutomationError(errors::kCannotCreateObject, "Cannot create object: " + why);
}

std::optional<std::string> DefaultText(const registry::Store& store, const std::string& path) {
    registry::Value v;
    if (store.QueryValue(Hive::ClassesRoot, path, "", &v) != registry::kSuccess) {
        return std::nullopt;
    }
    return v.Text();
}

}  // namespace

std::optional<Clsid> ClsidFromProgId(const registry::Store& store, std::string_view progId) {
    std::string name(progId);
    // CurVer chains are followed a few steps only, so a loop cannot hang us.
    for (int hop = 0; hop < 4 && !name.empty(); ++hop) {
        if (name.find('\\') != std::string::npos) {
            return std::nullopt;
        }
        if (auto text = DefaultText(store, name + "\\CLSID")) {
            return Guid::Parse(*text);
        }
        auto next = DefaultText(store, name + "\\CurVer");
        if (!next || *next == name) {
            return std::nullopt;
        }
        name = *next;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> InprocServerOf(const registry::Store& store,
                                                    const Clsid& clsid) {
    auto text = DefaultText(store, "CLSID\\" + clsid.ToString() + "\\InprocServer32");
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return std::filesystem::path(*text);
}

std::vector<RegisteredClass> RegisteredClasses(const registry::Store& store, bool controlsOnly) {
    std::vector<RegisteredClass> out;
    for (const std::string& name : store.SubKeys(Hive::ClassesRoot, "CLSID")) {
        auto clsid = Guid::Parse(name);
        if (!clsid) {
            continue;
        }
        RegisteredClass c;
        c.clsid = *clsid;
        const std::string key = "CLSID\\" + name;
        c.control = store.KeyExists(Hive::ClassesRoot, key + "\\Control");
        if (controlsOnly && !c.control) {
            continue;
        }
        auto library = InprocServerOf(store, c.clsid);
        if (!library) {
            continue;
        }
        c.library = *library;
        c.description = DefaultText(store, key).value_or("");
        c.progId = DefaultText(store, key + "\\ProgID").value_or("");
        out.push_back(std::move(c));
    }
    std::sort(out.begin(), out.end(), [](const RegisteredClass& a, const RegisteredClass& b) {
        return a.progId != b.progId ? a.progId < b.progId : a.clsid < b.clsid;
    });
    return out;
}

std::shared_ptr<IClassFactory> GetClassObject(const registry::Store& store, const Clsid& clsid) {
    auto library = InprocServerOf(store, clsid);
    if (!library) {
        CannotCreate("class " + clsid.ToString() + " is not registered");
    }
    if (!library->is_absolute()) {
        // A relative name would be searched for along the library path.
        CannotCreate("the library of class " + clsid.ToString() + " is not an absolute path");
    }
    // Never closed: objects and their code must stay together until exit.
    void* handle = dlopen(library->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* err = dlerror();
        CannotCreate(err != nullptr ? err : library->string());
    }
    auto entry = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    if (entry == nullptr) {
        CannotCreate(library->string() + " has no class factory entry point");
    }
    void* out = nullptr;
    const int32_t hr = entry(&clsid, &kIidClassFactory, &out);
    auto factory = AdoptClassObject(out);
    if (hr != kS_OK || !factory) {
        CannotCreate(library->string() + " does not offer class " + clsid.ToString());
    }
    return factory;
}

ObjectPtr CreateInstance(const registry::Store& store, const Clsid& clsid) {
    return GetClassObject(store, clsid)->CreateInstance();
}

ObjectPtr CreateObject(const registry::Store& store, std::string_view progId) {
    auto clsid = ClsidFromProgId(store, progId);
    if (!clsid) {
        CannotCreate("no class is registered as \"" + std::string(progId) + "\"");
    }
    return CreateInstance(store, *clsid);
}

ObjectPtr CreateObject(std::string_view progId) {
    registry::Store store;
    return CreateObject(store, progId);
}

}  // namespace vantry::automation
