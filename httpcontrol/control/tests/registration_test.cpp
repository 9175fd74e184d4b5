// The control library as a host meets it: registered through its entry
// point, created by ProgID, driven late-bound, persisted.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include "automation/create_object.h"
#include "automation/dispatch.h"
#include "automation/exports.h"
#include "automation/persist.h"
#include "registry/registry.h"

namespace {

namespace va = vantry::automation;
namespace reg = vantry::registry;

std::string Text(const reg::Store& s, const std::string& path, const std::string& name = "") {
    reg::Value v;
    return s.QueryValue(reg::Hive::ClassesRoot, path, name, &v) == reg::kSuccess ? v.Text()
                                                                                 : "<missing>";
}

TEST(FetchwireRegistration, RegistersCreatesByProgIdAndPersists) {
    void* lib = dlopen(FETCHWIRE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto registerServer =
        reinterpret_cast<va::DllRegisterServerFn>(dlsym(lib, "DllRegisterServer"));
    auto unregisterServer =
        reinterpret_cast<va::DllUnregisterServerFn>(dlsym(lib, "DllUnregisterServer"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), va::kS_OK);

    const reg::Store store;
    const std::string clsid = "CLSID\\{33333180-F789-11CE-86F8-0020AFD8C6DB}";
    EXPECT_EQ(Text(store, "HTTP.HTTPCtrl.1"), "HTTP Control");
    EXPECT_EQ(Text(store, "HTTP.HTTPCtrl.1\\CLSID"), "{33333180-F789-11CE-86F8-0020AFD8C6DB}");
    EXPECT_EQ(Text(store, clsid + "\\MiscStatus\\1"), "132497");
    EXPECT_EQ(Text(store, clsid + "\\TypeLib"), "{33333183-F789-11CE-86F8-0020AFD8C6DB}");
    EXPECT_EQ(Text(store, clsid + "\\Version"), "2.0");
    EXPECT_TRUE(store.KeyExists(reg::Hive::ClassesRoot, clsid + "\\Control"));
    EXPECT_FALSE(store.KeyExists(reg::Hive::ClassesRoot, clsid + "\\Insertable"));
    EXPECT_NE(Text(store, clsid + "\\ToolboxBitmap32").find(", 1"), std::string::npos);
    EXPECT_EQ(Text(store, "TypeLib\\{33333183-F789-11CE-86F8-0020AFD8C6DB}\\2.0"), "HTTP Control");
    EXPECT_EQ(Text(store, "Interface\\{33333181-F789-11CE-86F8-0020AFD8C6DB}"), "_DHTTP");
    EXPECT_EQ(Text(store, "Interface\\{33333182-F789-11CE-86F8-0020AFD8C6DB}"), "_DHTTPEvents");

    {
        va::ObjectPtr obj = va::CreateObject("HTTP.HTTPCtrl.1");
        auto http = va::QueryInterface<va::IDispatchable>(obj);
        auto bag = va::QueryInterface<va::IPersistPropertyBag>(obj);
        ASSERT_TRUE(http && bag);
        va::PutProperty(*http, "ProxyServer", va::Variant(u"proxy"));
        va::PutProperty(*http, "ProxyPort", va::Variant(int32_t{8080}));
        va::PutProperty(*http, "Accept", va::Variant(u"text/*"));
        va::PutProperty(*http, "UserAgent", va::Variant(u"agent"));
        va::PutProperty(*http, "HTTPVersion", va::Variant(u"HTTP/1.1"));
        va::PutProperty(*http, "URL", va::Variant(u"http://not/kept"));
        va::PropertyBag saved;
        ASSERT_TRUE(bag->Save(saved, true, true));

        va::ObjectPtr again = va::CreateObject("HTTP.HTTPCtrl.1");
        auto http2 = va::QueryInterface<va::IDispatchable>(again);
        ASSERT_TRUE(va::QueryInterface<va::IPersistPropertyBag>(again)->Load(saved));
        EXPECT_EQ(va::GetProperty(*http2, "ProxyServer").ToUtf8(), "proxy");
        EXPECT_EQ(va::GetProperty(*http2, "ProxyPort").ToInt32(), 8080);
        EXPECT_EQ(va::GetProperty(*http2, "Accept").ToUtf8(), "text/*");
        EXPECT_EQ(va::GetProperty(*http2, "UserAgent").ToUtf8(), "agent");
        EXPECT_EQ(va::GetProperty(*http2, "HTTPVersion").ToUtf8(), "HTTP/1.1");
        EXPECT_EQ(va::GetProperty(*http2, "URL").ToUtf8(), "");
        EXPECT_FALSE(va::GetProperty(*http2, "WinsockLoaded").ToBool());
    }

    ASSERT_EQ(unregisterServer(), va::kS_OK);
    EXPECT_FALSE(store.KeyExists(reg::Hive::ClassesRoot, "HTTP.HTTPCtrl.1"));
    EXPECT_THROW(va::CreateObject("HTTP.HTTPCtrl.1"), va::AutomationError);
}

}  // namespace
