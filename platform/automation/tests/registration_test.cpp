// The whole road of a control library: register, create by ProgID, call by
// DISPID, errors, events, persistence, unregister, with the keys checked in
// the HKEY_CLASSES_ROOT hive file.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "automation/control.h"
#include "automation/create_object.h"
#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/exports.h"
#include "automation/persist.h"
#include "automation/server.h"
#include "automation/tests/error_number.h"
#include "automation/tests/probe_control.h"
#include "registry/registry.h"
#include "test_env.h"

namespace vantry::automation {
namespace {

using registry::Hive;

const std::string kLibrary = PROBE_LIBRARY;

// Calls one entry point of the probe library, as a registration tool would.
int32_t CallExport(const char* name) {
    void* handle = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << dlerror();
    auto fn = reinterpret_cast<int32_t (*)()>(dlsym(handle, name));
    EXPECT_NE(fn, nullptr);
    return fn ? fn() : kE_FAIL;
}

std::string Text(const registry::Store& store, const std::string& path,
                 const std::string& name = "") {
    registry::Value v;
    if (store.QueryValue(Hive::ClassesRoot, path, name, &v) != registry::kSuccess) {
        return "<missing>";
    }
    return v.Text();
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = test::FreshDir("registry");
        setenv("VANTRY_REGISTRY", folder_.c_str(), 1);
    }
    registry::Store Store() const { return registry::Store(folder_); }
    std::filesystem::path folder_;
};

const std::string kClsidKey = "CLSID\\" + probe::kClsid.ToString();

TEST_F(Registration, WritesTheClassKeysWithTheLibraryPath) {
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    const auto store = Store();
    const std::string module = std::filesystem::canonical(kLibrary).string();
    const std::string clsid = probe::kClsid.ToString();

    EXPECT_EQ(Text(store, probe::kProgId), "Probe Control");
    EXPECT_EQ(Text(store, std::string(probe::kProgId) + "\\CLSID"), clsid);
    EXPECT_EQ(Text(store, probe::kVersionIndependentProgId), "Probe Control");
    EXPECT_EQ(Text(store, std::string(probe::kVersionIndependentProgId) + "\\CurVer"),
              probe::kProgId);
    EXPECT_EQ(Text(store, kClsidKey), "Probe Control");
    EXPECT_EQ(Text(store, kClsidKey + "\\ProgID"), probe::kProgId);
    EXPECT_EQ(Text(store, kClsidKey + "\\VersionIndependentProgID"),
              probe::kVersionIndependentProgId);
    EXPECT_EQ(Text(store, kClsidKey + "\\InprocServer32"), module);
    EXPECT_EQ(Text(store, kClsidKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Text(store, kClsidKey + "\\ToolboxBitmap32"), module + ", 1");
    EXPECT_EQ(Text(store, kClsidKey + "\\MiscStatus"), "0");
    EXPECT_EQ(Text(store, kClsidKey + "\\MiscStatus\\1"), "131473");
    EXPECT_EQ(Text(store, kClsidKey + "\\TypeLib"), probe::kLibid.ToString());
    EXPECT_EQ(Text(store, kClsidKey + "\\Version"), "1.5");
    for (const char* flagKey : {"\\Programmable", "\\Control", "\\Insertable"}) {
        EXPECT_TRUE(store.KeyExists(Hive::ClassesRoot, kClsidKey + flagKey)) << flagKey;
    }
    const std::string libKey = "TypeLib\\" + probe::kLibid.ToString() + "\\1.5";
    EXPECT_EQ(Text(store, libKey), "ProbeLib");
    EXPECT_EQ(Text(store, libKey + "\\0\\linux"), module);
    const std::string itfKey = "Interface\\" + probe::kEventsIid.ToString();
    EXPECT_EQ(Text(store, itfKey), "IProbeEvents");
    EXPECT_EQ(Text(store, itfKey + "\\TypeLib"), probe::kLibid.ToString());
    EXPECT_EQ(Text(store, itfKey + "\\TypeLib", "Version"), "1.5");
    EXPECT_EQ(Text(store, itfKey + "\\ProxyStubClsid32"), kProxyDispatch.ToString());
    EXPECT_EQ(Text(store, "Interface\\" + probe::kIid.ToString() + "\\ProxyStubClsid32"),
              kProxyDual.ToString());
    // The property page class: no type library, not a control.
    const std::string pageKey = "CLSID\\" + probe::kPageClsid.ToString();
    EXPECT_EQ(Text(store, pageKey + "\\InprocServer32"), module);
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, pageKey + "\\TypeLib"));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, pageKey + "\\Control"));

    // And they are really in the hive file, as a person would read it.
    const std::string hive = test::ReadFile(store.HiveFile(Hive::ClassesRoot));
    EXPECT_NE(hive.find(clsid + "\\InprocServer32]"), std::string::npos) << hive;
    EXPECT_NE(hive.find(module), std::string::npos);
    EXPECT_NE(hive.find("\"ThreadingModel\"=\"Apartment\""), std::string::npos);
    EXPECT_NE(hive.find("[HKEY_CLASSES_ROOT\\VantryProbe.Probe.1\\CLSID]"), std::string::npos);
}

TEST_F(Registration, RegisteredClassesListsWhatAContainerCanInsert) {
    registry::Store store = Store();
    EXPECT_TRUE(RegisteredClasses(store, false).empty());
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    // Noise a listing must step over.
    store.CreateKey(Hive::ClassesRoot, "CLSID\\not-a-guid\\InprocServer32");
    store.CreateKey(Hive::ClassesRoot, "CLSID\\{00000000-1111-2222-3333-444444444444}\\Control");

    const auto controls = RegisteredClasses(store, true);
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].clsid, probe::kClsid);
    EXPECT_EQ(controls[0].progId, probe::kProgId);
    EXPECT_EQ(controls[0].description, "Probe Control");
    EXPECT_EQ(controls[0].library, std::filesystem::canonical(kLibrary));
    EXPECT_TRUE(controls[0].control);

    const auto all = RegisteredClasses(store, false);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].progId, probe::kProgId);
    EXPECT_EQ(all[1].progId, probe::kPageProgId);
    EXPECT_FALSE(all[1].control);
}

TEST_F(Registration, AProgIdThatIsItsOwnVersionIndependentNameGetsCurVer) {
    constexpr Clsid kClsid = MakeGuid("{11111111-2222-3333-4444-555555555555}");
    const Server server({ClassInfo{.clsid = kClsid,
                                   .description = "Single Name",
                                   .progId = "Single.Name",
                                   .versionIndependentProgId = "Single.Name",
                                   .control = true,
                                   .miscStatus = 132497}});
    registry::Store store = Store();
    ASSERT_EQ(server.Register("/opt/controls/libsingle.so", store), kS_OK);
    EXPECT_EQ(Text(store, "Single.Name"), "Single Name");
    EXPECT_EQ(Text(store, "Single.Name\\CLSID"), kClsid.ToString());
    EXPECT_EQ(Text(store, "Single.Name\\CurVer"), "Single.Name");
    EXPECT_EQ(ClsidFromProgId(store, "single.name"), kClsid) << "names ignore case";
    const std::string key = "CLSID\\" + kClsid.ToString();
    EXPECT_EQ(Text(store, key + "\\InprocServer32"), "/opt/controls/libsingle.so");
    EXPECT_EQ(Text(store, key + "\\MiscStatus\\1"), "132497");
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, key + "\\TypeLib")) << "no type library";
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, key + "\\ToolboxBitmap32"));
    EXPECT_FALSE(server.ClassObject(kClsid)) << "registered, not creatable here";
    ASSERT_EQ(server.Unregister(store), kS_OK);
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, "Single.Name"));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, key));
}

TEST_F(Registration, RegisteringTwiceIsHarmless) {
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    const std::string first = test::ReadFile(Store().HiveFile(Hive::ClassesRoot));
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    EXPECT_EQ(test::ReadFile(Store().HiveFile(Hive::ClassesRoot)), first);
}

TEST_F(Registration, CreateCallRaiseFireAndPersist) {
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    ObjectPtr obj = CreateObject(probe::kProgId);
    ASSERT_TRUE(obj);
    auto disp = QueryInterface<IDispatchable>(obj);
    ASSERT_TRUE(disp);
    EXPECT_EQ(CallExport("DllCanUnloadNow"), kS_FALSE) << "an object is alive";

    // Late-bound calls by DISPID and by name.
    PutProperty(*disp, probe::kCount, Variant(int16_t{5}));
    EXPECT_EQ(GetProperty(*disp, probe::kCount), Variant(int16_t{5}));
    EXPECT_EQ(CallMethod(*disp, probe::kAdd, {Variant(int16_t{40}), Variant(u"2")}),
              Variant(int32_t{42}));
    EXPECT_EQ(GetProperty(*disp, "serial"), Variant(int32_t{4711}));
    PutProperty(*disp, probe::kItem, Variant(int32_t{-9}), {Variant(int16_t{3})});
    EXPECT_EQ(GetProperty(*disp, probe::kItem, {Variant(int16_t{3})}), Variant(int32_t{-9}));

    // Errors keep their number, text and control-facility result.
    try {
        CallMethod(*disp, probe::kFail, {Variant(int32_t{probe::kFailDescriptionNumber})});
        ADD_FAILURE() << "no error raised";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.Number(), 20152);
        EXPECT_EQ(e.Description(), "Probe failure 20152.");
        EXPECT_EQ(static_cast<uint32_t>(e.HResult()), 0x800A4EB8u);
    }
    EXPECT_EQ(ErrorNumberOf([&] { PutProperty(*disp, probe::kSerial, Variant(int32_t{1})); }),
              errors::kSetNotSupported);
    EXPECT_EQ(ErrorNumberOf([&] { GetProperty(*disp, probe::kSecret); }), errors::kGetNotSupported);
    EXPECT_EQ(ErrorNumberOf([&] {
                  PutProperty(*disp, probe::kItem, Variant(int32_t{1}), {Variant(int16_t{9})});
              }),
              errors::kInvalidCall);

    // Events with by-reference arguments.
    struct Sink : IEventSink {
        void Fire(DispId id, const std::vector<Variant*>& args) override {
            if (id == probe::kChanged && args.size() == 2) {
                *args[0] = Variant(int16_t{10061});
                *args[1] = Variant(args[1]->ToString() + u" seen");
            }
            ++calls;
        }
        int calls = 0;
    };
    auto events = QueryInterface<IConnectable>(obj);
    ASSERT_TRUE(events);
    auto sink = std::make_shared<Sink>();
    const uint32_t cookie = events->Advise(sink);
    EXPECT_EQ(CallMethod(*disp, probe::kPing, {Variant(u"hello")}), Variant(u"hello seen/10061"));
    EXPECT_EQ(sink->calls, 1);
    EXPECT_TRUE(events->Unadvise(cookie));
    EXPECT_EQ(CallMethod(*disp, probe::kPing, {Variant(u"x")}), Variant(u"x/0"));
    const auto infos = events->Events();
    ASSERT_EQ(infos.size(), 2u);
    EXPECT_TRUE(infos[0].byReference);
    EXPECT_EQ(infos[0].argNames, (std::vector<std::string>{"Code", "Text"}));

    // Stream persistence round trip into a second instance.
    PutProperty(*disp, probe::kCaption, Variant(u"Großes Bild"));
    PutProperty(*disp, probe::kColor, Variant(OleColor{0x8000000F}));
    auto persist = QueryInterface<IPersistStreamInit>(obj);
    ASSERT_TRUE(persist);
    EXPECT_TRUE(persist->IsDirty());
    ByteStream stream;
    ASSERT_TRUE(persist->Save(stream, true));
    EXPECT_FALSE(persist->IsDirty());
    EXPECT_LE(stream.Size(), persist->GetSizeMax());

    ObjectPtr copy = CreateObject(probe::kVersionIndependentProgId);  // through CurVer
    auto copyDisp = QueryInterface<IDispatchable>(copy);
    stream.Seek(0);
    ASSERT_TRUE(QueryInterface<IPersistStreamInit>(copy)->Load(stream));
    EXPECT_EQ(GetProperty(*copyDisp, probe::kCount), Variant(int16_t{5}));
    EXPECT_EQ(GetProperty(*copyDisp, probe::kCaption), Variant(u"Großes Bild"));
    EXPECT_EQ(GetProperty(*copyDisp, probe::kColor), Variant(OleColor{0x8000000F}));
    EXPECT_EQ(QueryInterface<IPersistStreamInit>(copy)->GetClassId(), probe::kClsid);

    // A truncated stream is refused.
    ByteStream shortStream = ByteStream::FromString(stream.ToString().substr(0, 20));
    EXPECT_FALSE(QueryInterface<IPersistStreamInit>(copy)->Load(shortStream));

    // Property bag round trip.
    PropertyBag bag;
    PutProperty(*disp, probe::kCount, Variant(int16_t{-3}));
    ASSERT_TRUE(QueryInterface<IPersistPropertyBag>(obj)->Save(bag, true, true));
    ASSERT_TRUE(QueryInterface<IPersistPropertyBag>(copy)->Load(bag));
    EXPECT_EQ(GetProperty(*copyDisp, probe::kCount), Variant(int16_t{-3}));
    EXPECT_EQ(bag.Names(), (std::vector<std::string>{"Count", "Caption", "Color"}));

    disp.reset();
    persist.reset();
    events.reset();
    obj.reset();
    copyDisp.reset();
    copy.reset();
    EXPECT_EQ(CallExport("DllCanUnloadNow"), kS_OK);
}

TEST_F(Registration, TheSiteHearsFromTheControl) {
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    ObjectPtr obj = CreateObject(probe::kProgId);
    auto control = QueryInterface<IControl>(obj);
    auto disp = QueryInterface<IDispatchable>(obj);
    ASSERT_TRUE(control && disp);

    struct Site : ControlSite {
        Variant Ambient(DispId id) override {
            return id == dispid::kAmbientUserMode ? userMode : Variant();
        }
        void OnChanged(DispId id) override { changed.push_back(id); }
        bool OnRequestEdit(DispId id) override {
            requested.push_back(id);
            return allowEdit;
        }
        void Invalidate() override { ++invalidated; }
        void OnPosRectChange(const Rect& r) override { rect = r; }
        Rect PositionRect() const override { return rect; }
        void OnFocus(bool) override {}
        Variant userMode;
        std::vector<DispId> changed, requested;
        bool allowEdit = true;
        int invalidated = 0;
        Rect rect;
    } site;

    EXPECT_EQ(GetProperty(*disp, probe::kUserMode), Variant(true)) << "no site: run mode";
    control->SetClientSite(&site);
    EXPECT_EQ(GetProperty(*disp, probe::kUserMode), Variant(true)) << "no ambient: run mode";
    site.userMode = Variant(false);
    EXPECT_EQ(GetProperty(*disp, probe::kUserMode), Variant(false));

    PutProperty(*disp, probe::kCount, Variant(int16_t{1}));
    PutProperty(*disp, probe::kCaption, Variant(u"a"));
    PutProperty(*disp, probe::kColor, Variant(OleColor{1}));
    EXPECT_EQ(site.changed, (std::vector<DispId>{probe::kCount, probe::kCaption, probe::kColor}));
    EXPECT_EQ(site.requested, std::vector<DispId>{probe::kCaption});
    EXPECT_EQ(site.invalidated, 1);

    site.allowEdit = false;
    EXPECT_EQ(ErrorNumberOf([&] { PutProperty(*disp, probe::kCaption, Variant(u"b")); }),
              errors::kBadPropertyValue);
    EXPECT_EQ(GetProperty(*disp, probe::kCaption), Variant(u"a"));
    control->SetClientSite(nullptr);
    EXPECT_EQ(control->ClientSite(), nullptr);
    EXPECT_EQ(control->Extent(), (Size{2540, 1270}));
    EXPECT_EQ(HimetricToPixels(control->Extent()), (Size{96, 48}));
}

TEST_F(Registration, UnregisterRemovesItsKeysAndNothingElse) {
    registry::Store store = Store();
    ASSERT_EQ(store.CreateKey(Hive::ClassesRoot, "CLSID\\{00000000-1111-2222-3333-444444444444}"),
              registry::kSuccess);
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    ASSERT_EQ(CallExport("DllUnregisterServer"), kS_OK);

    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, probe::kProgId));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, probe::kVersionIndependentProgId));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, probe::kPageProgId));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, kClsidKey));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, "TypeLib\\" + probe::kLibid.ToString()));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, "Interface\\" + probe::kIid.ToString()));
    EXPECT_TRUE(store.KeyExists(Hive::ClassesRoot, "CLSID"));
    EXPECT_TRUE(
        store.KeyExists(Hive::ClassesRoot, "CLSID\\{00000000-1111-2222-3333-444444444444}"));
    const std::string hive = test::ReadFile(store.HiveFile(Hive::ClassesRoot));
    EXPECT_EQ(hive.find(probe::kClsid.ToString()), std::string::npos) << hive;
    EXPECT_EQ(hive.find("VantryProbe"), std::string::npos) << hive;

    EXPECT_EQ(ErrorNumberOf([] { CreateObject(probe::kProgId); }), errors::kCannotCreateObject);
    // Unregistering what is not there is not an error.
    EXPECT_EQ(CallExport("DllUnregisterServer"), kS_OK);
}

TEST_F(Registration, UnregisterLeavesAProgIdTakenOverByAnotherClass) {
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    registry::Store store = Store();
    const std::string other = "{00000000-1111-2222-3333-444444444444}";
    ASSERT_EQ(store.SetValue(Hive::ClassesRoot, std::string(probe::kProgId) + "\\CLSID", "",
                             registry::Value::String(other)),
              registry::kSuccess);
    ASSERT_EQ(CallExport("DllUnregisterServer"), kS_OK);
    EXPECT_EQ(Text(store, std::string(probe::kProgId) + "\\CLSID"), other);
}

TEST_F(Registration, CreateObjectFailuresAreError429) {
    registry::Store store = Store();
    auto fails = [&](std::string_view progId) {
        try {
            CreateObject(store, progId);
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.Number(), errors::kCannotCreateObject);
            return e.Description();
        }
        ADD_FAILURE() << "created " << progId;
        return std::string();
    };
    EXPECT_NE(fails("No.Such.Thing").find("No.Such.Thing"), std::string::npos);

    // A ProgID whose class has no library.
    store.CreateKey(Hive::ClassesRoot, "Lost.Class\\CLSID");
    store.SetValue(Hive::ClassesRoot, "Lost.Class\\CLSID", "",
                   registry::Value::String(probe::kClsid.ToString()));
    EXPECT_NE(fails("Lost.Class").find("not registered"), std::string::npos);

    // A library that does not exist, and one given by a relative name.
    store.CreateKey(Hive::ClassesRoot, kClsidKey + "\\InprocServer32");
    store.SetValue(Hive::ClassesRoot, kClsidKey + "\\InprocServer32", "",
                   registry::Value::String((folder_ / "missing.so").string()));
    fails("Lost.Class");
    store.SetValue(Hive::ClassesRoot, kClsidKey + "\\InprocServer32", "",
                   registry::Value::String("libprobe.so"));
    EXPECT_NE(fails("Lost.Class").find("absolute"), std::string::npos);

    // A library without the entry point (any shared object will do).
    void* self = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(self, nullptr);
    Dl_info info{};
    ASSERT_NE(dladdr(dlsym(self, "printf"), &info), 0);
    store.SetValue(Hive::ClassesRoot, kClsidKey + "\\InprocServer32", "",
                   registry::Value::String(std::filesystem::canonical(info.dli_fname).string()));
    EXPECT_NE(fails("Lost.Class").find("entry point"), std::string::npos);

    // A CurVer loop ends.
    store.CreateKey(Hive::ClassesRoot, "Loop.A\\CurVer");
    store.SetValue(Hive::ClassesRoot, "Loop.A\\CurVer", "", registry::Value::String("Loop.B"));
    store.CreateKey(Hive::ClassesRoot, "Loop.B\\CurVer");
    store.SetValue(Hive::ClassesRoot, "Loop.B\\CurVer", "", registry::Value::String("Loop.A"));
    fails("Loop.A");
    EXPECT_EQ(ClsidFromProgId(store, "Loop.A"), std::nullopt);
}

TEST_F(Registration, ClassFactoryEntryPointChecksItsArguments) {
    void* handle = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    auto entry = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    ASSERT_NE(entry, nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(entry(&probe::kClsid, &kIidClassFactory, nullptr), kE_POINTER);
    EXPECT_EQ(entry(&probe::kLibid, &kIidClassFactory, &out), kCLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(entry(&probe::kPageClsid, &kIidClassFactory, &out), kCLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(entry(&probe::kClsid, &probe::kIid, &out), kE_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(entry(&probe::kClsid, &kIidClassFactory, &out), kS_OK);
    auto factory = AdoptClassObject(out);
    ASSERT_TRUE(factory);
    factory->LockServer(true);
    EXPECT_EQ(CallExport("DllCanUnloadNow"), kS_FALSE) << "locked";
    factory->LockServer(false);
    EXPECT_EQ(CallExport("DllCanUnloadNow"), kS_OK);
    ObjectPtr a = factory->CreateInstance();
    ObjectPtr b = factory->CreateInstance();
    EXPECT_NE(a, b);
    EXPECT_TRUE(QueryInterface<IControl>(a));
    a.reset();
    EXPECT_EQ(CallExport("DllCanUnloadNow"), kS_FALSE);
    b.reset();
    EXPECT_EQ(CallExport("DllCanUnloadNow"), kS_OK);
}

}  // namespace
}  // namespace vantry::automation
