// libplimova.so as a host meets it: registered through its entry point,
// created by ProgID, driven late-bound, persisted, and unregistered.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "automation/control.h"
#include "automation/create_object.h"
#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/persist.h"
#include "control/plimova_ids.h"
#include "engine/tests/gif_builder.h"
#include "registry/registry.h"
#include "test_env.h"

namespace plimova {
namespace {

using namespace vantry::automation;
using vantry::registry::Hive;

const std::string kLibrary = PLIMOVA_LIBRARY;

int32_t CallExport(const char* name) {
    void* handle = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << dlerror();
    auto fn = handle ? reinterpret_cast<int32_t (*)()>(dlsym(handle, name)) : nullptr;
    EXPECT_NE(fn, nullptr) << name;
    return fn ? fn() : kE_FAIL;
}

std::string Text(const vantry::registry::Store& store, const std::string& path,
                 const std::string& name = "") {
    vantry::registry::Value v;
    if (store.QueryValue(Hive::ClassesRoot, path, name, &v) != vantry::registry::kSuccess) {
        return "<missing>";
    }
    return v.Text();
}

class PlimovaRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = vantry::test::FreshDir("registry");
        setenv("VANTRY_REGISTRY", folder_.c_str(), 1);
    }
    vantry::registry::Store Store() const { return vantry::registry::Store(folder_); }
    std::filesystem::path folder_;
};

TEST_F(PlimovaRegistration, WritesEveryKey) {
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    const auto store = Store();
    const std::string module = std::filesystem::canonical(kLibrary).string();
    const std::string clsid = "{82351441-9094-11D1-A24B-00A0C932C7DF}";
    const std::string key = "CLSID\\" + clsid;

    EXPECT_EQ(Text(store, "PlimovaCtrl.Plimova"), "Plimova Control");
    EXPECT_EQ(Text(store, "PlimovaCtrl.Plimova\\CLSID"), clsid);
    EXPECT_EQ(Text(store, "PlimovaCtrl.Plimova\\CurVer"), "PlimovaCtrl.Plimova");
    EXPECT_EQ(Text(store, key), "Plimova Control");
    EXPECT_EQ(Text(store, key + "\\ProgID"), "PlimovaCtrl.Plimova");
    EXPECT_EQ(Text(store, key + "\\VersionIndependentProgID"), "PlimovaCtrl.Plimova");
    for (const char* sub : {"\\Programmable", "\\Control", "\\Insertable"}) {
        EXPECT_TRUE(store.KeyExists(Hive::ClassesRoot, key + sub)) << sub;
    }
    EXPECT_EQ(Text(store, key + "\\InprocServer32"), module);
    EXPECT_EQ(Text(store, key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Text(store, key + "\\ToolboxBitmap32"), module + ", 1");
    EXPECT_EQ(Text(store, key + "\\MiscStatus"), "0");
    EXPECT_EQ(Text(store, key + "\\MiscStatus\\1"), "131473");
    EXPECT_EQ(Text(store, key + "\\TypeLib"), "{82351433-9094-11D1-A24B-00A0C932C7DF}");
    EXPECT_EQ(Text(store, key + "\\Version"), "1.5");

    const std::string page = "CLSID\\{6DC82D15-92F2-11D1-A255-00A0C932C7DF}";
    EXPECT_EQ(Text(store, "PlimovaPpg.PlimovaPpg.1"), "PlimovaPpg Class");
    EXPECT_EQ(Text(store, "PlimovaPpg.PlimovaPpg.1\\CLSID"),
              "{6DC82D15-92F2-11D1-A255-00A0C932C7DF}");
    EXPECT_EQ(Text(store, "PlimovaPpg.PlimovaPpg\\CurVer"), "PlimovaPpg.PlimovaPpg.1");
    EXPECT_TRUE(store.KeyExists(Hive::ClassesRoot, page + "\\Programmable"));
    EXPECT_EQ(Text(store, page + "\\InprocServer32"), module);
    EXPECT_EQ(Text(store, page + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, page + "\\Control"));

    EXPECT_TRUE(
        store.KeyExists(Hive::ClassesRoot, "TypeLib\\{82351433-9094-11D1-A24B-00A0C932C7DF}\\1.5"));
    EXPECT_EQ(Text(store, "Interface\\{82351440-9094-11D1-A24B-00A0C932C7DF}"), "IPlimova");
    EXPECT_EQ(Text(store, "Interface\\{5252AC41-94BB-11D1-B2E7-444553540000}"), "IPlimovaEvents");

    ASSERT_EQ(CallExport("DllUnregisterServer"), kS_OK);
    const auto after = Store();
    EXPECT_FALSE(after.KeyExists(Hive::ClassesRoot, key));
    EXPECT_FALSE(after.KeyExists(Hive::ClassesRoot, "PlimovaCtrl.Plimova"));
    EXPECT_FALSE(after.KeyExists(Hive::ClassesRoot, page));
}

class Steps : public IEventSink {
public:
    void Fire(DispId id, const std::vector<Variant*>&) override { count += id == ids::kStep; }
    int count = 0;
};

TEST_F(PlimovaRegistration, CreatedByProgIdAndDrivenLateBound) {
    ASSERT_EQ(CallExport("DllRegisterServer"), kS_OK);
    ObjectPtr obj = CreateObject(Store(), "PlimovaCtrl.Plimova");
    ASSERT_NE(obj, nullptr);
    auto disp = QueryInterface<IDispatchable>(obj);
    auto control = QueryInterface<IControl>(obj);
    auto events = QueryInterface<IConnectable>(obj);
    auto persist = QueryInterface<IPersistStreamInit>(obj);
    ASSERT_TRUE(disp && control && events && persist);
    EXPECT_EQ(control->MiscStatus(), 131473u);

    test::GifBuilder b(4, 4);
    for (int i = 0; i < 3; ++i) {
        test::ImageSpec s;
        s.width = 4;
        s.height = 4;
        b.Control(0, 2).Image(s);
    }
    b.Trailer();
    const auto dir = vantry::test::FreshDir("gif");
    vantry::test::WriteFile(dir / "anim.gif", std::string(b.Data().begin(), b.Data().end()));

    auto sink = std::make_shared<Steps>();
    events->Advise(sink);
    EXPECT_EQ(CallMethod(*disp, "ReadGIF", {Variant::FromUtf8((dir / "anim.gif").string())}),
              Variant(true));
    EXPECT_EQ(GetProperty(*disp, "Frames"), Variant(int16_t{3}));
    EXPECT_EQ(GetProperty(*disp, "GIFWidth"), Variant(int16_t{4}));
    PutProperty(*disp, "Frame", Variant(int16_t{7}));
    EXPECT_EQ(GetProperty(*disp, ids::kFrame), Variant(int16_t{2}));
    try {
        PutProperty(*disp, "Frames", Variant(int16_t{1}));
        ADD_FAILURE() << "Frames is read-only";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.Number(), errors::kSetNotSupported);
    }

    ByteStream s;
    ASSERT_TRUE(persist->Save(s, true));
    ObjectPtr second = CreateObject(Store(), "PlimovaCtrl.Plimova");
    auto persist2 = QueryInterface<IPersistStreamInit>(second);
    s.Seek(0);
    ASSERT_TRUE(persist2->Load(s));
    EXPECT_EQ(GetProperty(*QueryInterface<IDispatchable>(second), "Frames"), Variant(int16_t{3}));

    auto page = CreateInstance(Store(), ids::kPageClsid);
    EXPECT_NE(page, nullptr);
}

}  // namespace
}  // namespace plimova
