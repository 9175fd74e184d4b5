// The HTTP control through its dispatch face, as a host drives it.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "automation/dispatch.h"
#include "control/error_text.h"
#include "control/http_ctrl.h"
#include "engine/tests/peer_process.h"
#include "engine/winsock_state.h"
#include "test_env.h"

namespace fetchwire {
namespace {

using test::PeerPattern;
using test::PeerProcess;
using va::AutomationError;
using va::GetProperty;
using va::PutProperty;
using va::Variant;
using vantry::test::FreshDir;
using vantry::test::ReadFile;
using vantry::test::WriteFile;

// Events that carry a code and its text, logged as "Name code text".
constexpr std::pair<va::DispId, const char*> kCodeAndTextEvents[] = {
    {http_event::kError, "Error"},
    {http_event::kConnected, "Connected"},
    {http_event::kDisconnected, "Disconnected"},
};

class Sink : public va::IEventSink {
public:
    std::vector<std::string> log;
    std::string body;
    int32_t lastTotal = 0;
    std::function<void(va::DispId)> hook;

    void Fire(va::DispId id, const std::vector<Variant*>& a) override {
        for (const auto& [event, name] : kCodeAndTextEvents) {
            if (id == event) {
                log.push_back(std::string(name) + " " + a[0]->ToUtf8() + " " + a[1]->ToUtf8());
            }
        }
        switch (id) {
            case http_event::kHeader:
                log.push_back("Header " + a[0]->ToUtf8() + ": " + a[1]->ToUtf8());
                break;
            case http_event::kStartTransfer:
                log.push_back("StartTransfer");
                break;
            case http_event::kTransfer:
                if (log.back() != "Transfer") {
                    log.push_back("Transfer");
                }
                body += va::NarrowBytes(a[1]->ToString());
                EXPECT_EQ(a[0]->ToInt32(), static_cast<int32_t>(body.size()));
                lastTotal = a[0]->ToInt32();
                break;
            case http_event::kEndTransfer:
                log.push_back("EndTransfer");
                break;
        }
        if (hook) {
            hook(id);
        }
    }
};

// A container that can be in design mode.
class Site : public va::ControlSite {
public:
    bool userMode = true;
    Variant Ambient(va::DispId id) override {
        return id == va::dispid::kAmbientUserMode ? Variant(userMode) : Variant();
    }
    void OnChanged(va::DispId) override {}
    bool OnRequestEdit(va::DispId) override { return true; }
    void Invalidate() override {}
    void OnPosRectChange(const va::Rect&) override {}
    va::Rect PositionRect() const override { return {}; }
    void OnFocus(bool) override {}
};

class HttpCtrlTest : public ::testing::Test {
protected:
    std::shared_ptr<CHTTPCtrl> ctl_ = std::make_shared<CHTTPCtrl>();
    std::shared_ptr<Sink> sink_ = std::make_shared<Sink>();
    std::filesystem::path dir_ = FreshDir("ctl");
    std::filesystem::path record_ = dir_ / "request.bin";

    void SetUp() override { ctl_->Advise(sink_); }
    void Put(const char* name, Variant v) { PutProperty(*ctl_, name, std::move(v)); }
    Variant Get(const char* name) { return GetProperty(*ctl_, name); }
    // The automation error of a property write, or number 0.
    AutomationError PutError(const char* name, Variant v) {
        try {
            Put(name, std::move(v));
        } catch (const AutomationError& e) {
            return e;
        }
        return AutomationError(0, "");
    }
};

TEST_F(HttpCtrlTest, MembersCarryTheirIdentifiersAndAccess) {
    const char* names[] = {"WinsockInfo",
                           "WinsockStatus",
                           "WinsockPath",
                           "WinsockLoaded",
                           "WinsockMaxSockets",
                           "WinsockMaxDatagramSize",
                           "LocalHost",
                           "URL",
                           "URLScheme",
                           "URLServer",
                           "URLPort",
                           "URLPath",
                           "ProxyServer",
                           "ProxyPort",
                           "Action",
                           "PostData",
                           "AttachedFile",
                           "ContentType",
                           "User",
                           "Password",
                           "Authorization",
                           "Accept",
                           "From",
                           "UserAgent",
                           "IfModifiedSince",
                           "Referer",
                           "Pragma",
                           "OtherHeaders",
                           "StatusLine",
                           "HTTPVersion"};
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(ctl_->GetIdOfName(names[i]), i + 1) << names[i];
    }
    EXPECT_EQ(ctl_->GetIdOfName("aboutbox"), va::dispid::kAboutBox);
    for (const char* readOnly : {"WinsockInfo", "WinsockStatus", "WinsockMaxSockets",
                                 "WinsockMaxDatagramSize", "LocalHost", "StatusLine"}) {
        EXPECT_EQ(PutError(readOnly, Variant(u"x")).Number(), va::errors::kSetNotSupported)
            << readOnly;
    }
    EXPECT_EQ(Get("UserAgent").ToUtf8(), "Quillon's HTTP Control V2.0");
    EXPECT_EQ(Get("HTTPVersion").ToUtf8(), "HTTP/1.0");
    EXPECT_EQ(Get("ProxyPort").ToInt32(), 80);
    EXPECT_EQ(Get("URLScheme").ToUtf8(), "");
    EXPECT_EQ(Get("WinsockStatus").ToUtf8(), "Down");
    EXPECT_EQ(ctl_->MiscStatus(), 132497u);
}

TEST_F(HttpCtrlTest, ActionOutsideRangeIsBadValueAndStartsNothing) {
    Put("URL", Variant(u"http://127.0.0.1:9/"));
    for (int32_t bad : {5, -1}) {
        const AutomationError e = PutError("Action", Variant(bad));
        EXPECT_EQ(e.Number(), 380);
        EXPECT_EQ(e.Description(), "Bad property value.");
    }
    EXPECT_TRUE(sink_->log.empty());
    EXPECT_EQ(Get("Action").ToInt32(), 0);
    EXPECT_EQ(PutError("URLPort", Variant(int32_t{70000})).Number(), 380);
    EXPECT_EQ(PutError("ProxyPort", Variant(int32_t{-1})).Number(), 380);
}

TEST_F(HttpCtrlTest, DesignModeRefusesRunTimeOnlyReads) {
    Site site;
    site.userMode = false;
    ctl_->SetClientSite(&site);
    Put("URL", Variant(u"http://h/p"));
    EXPECT_EQ(Get("URL").ToUtf8(), "http://h/p");
    for (const char* name : {"URLPath", "URLScheme", "URLServer", "URLPort", "WinsockPath",
                             "PostData", "StatusLine", "OtherHeaders", "Authorization"}) {
        try {
            Get(name);
            ADD_FAILURE() << name << " was readable at design time";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.Number(), 394) << name;
        }
    }
    EXPECT_NO_THROW(Get("UserAgent"));
    EXPECT_NO_THROW(Get("WinsockInfo"));
    site.userMode = true;
    EXPECT_EQ(Get("URLPath").ToUtf8(), "/p");
    ctl_->SetClientSite(nullptr);
}

TEST_F(HttpCtrlTest, ResetHeadersAndCredentials) {
    Put("URL", Variant(u"http://one:81/a"));
    Put("User", Variant(u"u"));
    Put("Password", Variant(u"p"));
    EXPECT_EQ(Get("Authorization").ToUtf8(), "Basic dTpw");
    Put("URL", Variant(u"http://two/"));
    EXPECT_EQ(Get("User").ToUtf8(), "");
    EXPECT_EQ(Get("Password").ToUtf8(), "");
    EXPECT_EQ(Get("Authorization").ToUtf8(), "");

    Put("UserAgent", Variant(u"Agent"));
    Put("ProxyServer", Variant(u"proxy"));
    Put("ProxyPort", Variant(int32_t{3128}));
    Put("HTTPVersion", Variant(u"HTTP/1.1"));
    Put("URL", Variant(u"http://three:82/x"));
    Put("PostData", Variant(std::u16string(u"a=1\0tail", 8)));
    EXPECT_EQ(Get("PostData").ToUtf8(), "a=1");
    Put("Action", Variant(int32_t{a_ResetHeaders}));
    EXPECT_EQ(Get("UserAgent").ToUtf8(), "Agent");
    EXPECT_EQ(Get("ProxyServer").ToUtf8(), "proxy");
    EXPECT_EQ(Get("ProxyPort").ToInt32(), 3128);
    EXPECT_EQ(Get("HTTPVersion").ToUtf8(), "HTTP/1.1");
    EXPECT_EQ(Get("URLPort").ToInt32(), 80);
    EXPECT_EQ(Get("URL").ToUtf8(), "");
    EXPECT_EQ(Get("PostData").ToUtf8(), "");
}

TEST_F(HttpCtrlTest, WithoutSocketLayerARequestFailsWith20103) {
    Put("URL", Variant(u"http://127.0.0.1:8080/"));
    const AutomationError e = PutError("Action", Variant(int32_t{a_GetDocument}));
    EXPECT_EQ(e.Number(), 20103);
    EXPECT_EQ(e.Description(), "The RemoteHost address is invalid (0.0.0.0).");
    EXPECT_EQ(e.HResult(), static_cast<int32_t>(0x800A4E87u));
    EXPECT_EQ(Get("LocalHost").ToUtf8(), "[10093] Winsock not loaded yet (WSANOTINITIALISED).");
    Put("URL", Variant(u"ftp://x/"));
    EXPECT_EQ(PutError("Action", Variant(int32_t{1})).Number(), 20154);
    Put("Action", Variant(int32_t{4}));
    const AutomationError none = PutError("Action", Variant(int32_t{1}));
    EXPECT_EQ(none.Number(), 20153);
    EXPECT_EQ(none.Description(), "No server specified in URL");
}

TEST_F(HttpCtrlTest, WinsockLoadingIsSharedAndReported) {
    auto other = std::make_shared<CHTTPCtrl>();
    Put("WinsockLoaded", Variant(true));
    PutProperty(*other, "WinsockLoaded", Variant(true));
    EXPECT_EQ(WinsockState::Instance().HolderCount(), 2);
    EXPECT_EQ(Get("WinsockStatus").ToUtf8(), "Running");
    EXPECT_GT(Get("WinsockMaxSockets").ToInt32(), 0);
    EXPECT_NE(Get("WinsockPath").ToUtf8(), "WSOCK32.DLL");
    EXPECT_FALSE(Get("LocalHost").ToUtf8().empty());
    other.reset();  // a control going away lets go of its hold
    EXPECT_EQ(WinsockState::Instance().HolderCount(), 1);
    Put("WinsockLoaded", Variant(false));
    EXPECT_FALSE(WinsockState::Instance().Loaded());

    Put("WinsockPath", Variant(u"/no/such/lib.so"));
    Put("WinsockLoaded", Variant(true));
    EXPECT_FALSE(Get("WinsockLoaded").ToBool());
    EXPECT_EQ(Get("WinsockInfo").ToUtf8(), "Could not load Winsock DLL.");
    Put("WinsockPath", Variant(u""));
    EXPECT_EQ(Get("WinsockPath").ToUtf8(), "WSOCK32.DLL");
}

class LoadedCtrlTest : public HttpCtrlTest {
protected:
    void SetUp() override {
        HttpCtrlTest::SetUp();
        Put("WinsockLoaded", Variant(true));
    }
    void TearDown() override { ctl_.reset(); }
};

TEST_F(LoadedCtrlTest, RefusedConnectionFiresConnectedWithItsText) {
    uint16_t port = 0;
    {
        PeerProcess gone = PeerProcess::Scripted("silent", record_);
        port = gone.port();
    }
    Put("URL", Variant::FromUtf8("http://127.0.0.1:" + std::to_string(port) + "/"));
    const AutomationError e = PutError("Action", Variant(int32_t{1}));
    EXPECT_EQ(e.Number(), 10061 + 15001);
    EXPECT_EQ(e.Description(), "[10061] Connection refused.");
    const std::vector<std::string> want = {"Connected 10061 [10061] Connection refused."};
    EXPECT_EQ(sink_->log, want);
}

TEST_F(LoadedCtrlTest, NotFoundFiresEverythingThenFails) {
    WriteFile(dir_ / "site/index.txt", "x");
    PeerProcess server = PeerProcess::FileServer(dir_ / "site");
    Put("URL", Variant::FromUtf8(server.Url("/missing")));
    const AutomationError e = PutError("Action", Variant(int32_t{1}));
    EXPECT_EQ(e.Number(), 20152);
    EXPECT_EQ(e.Description(), "404 File not found");
    EXPECT_EQ(Get("StatusLine").ToUtf8(), "HTTP/1.0 404 File not found");
    ASSERT_GE(sink_->log.size(), 6u);
    EXPECT_EQ(sink_->log.front(), "Connected 0 OK");
    const std::size_t n = sink_->log.size();
    EXPECT_EQ(sink_->log[n - 4], "StartTransfer");
    EXPECT_EQ(sink_->log[n - 3], "Transfer");
    EXPECT_EQ(sink_->log[n - 2], "EndTransfer");
    EXPECT_EQ(sink_->log[n - 1], "Disconnected 0 OK");
    EXPECT_EQ(sink_->log[1].rfind("Header ", 0), 0u);
}

TEST_F(LoadedCtrlTest, TenMegabyteBinaryBodyComesThroughTransferEvents) {
    const std::size_t n = 10 * 1024 * 1024;
    PeerProcess peer = PeerProcess::Scripted("big", record_, std::to_string(n));
    Put("URL", Variant::FromUtf8(peer.Url("/big")));
    Put("Action", Variant(int32_t{a_GetDocument}));
    EXPECT_EQ(sink_->lastTotal, static_cast<int32_t>(n));
    EXPECT_TRUE(sink_->body == PeerPattern(n));
    EXPECT_EQ(Get("StatusLine").ToUtf8(), "HTTP/1.0 200 OK");
}

TEST_F(LoadedCtrlTest, IdleFromTransferHandlerInterrupts) {
    const std::size_t n = 2 * 1024 * 1024;
    PeerProcess peer = PeerProcess::Scripted("big", record_, std::to_string(n));
    Put("URL", Variant::FromUtf8(peer.Url("/big")));
    sink_->hook = [this](va::DispId id) {
        if (id == http_event::kTransfer && sink_->body.size() > 10000) {
            sink_->hook = nullptr;
            Put("Action", Variant(int32_t{a_Idle}));
        }
    };
    const AutomationError e = PutError("Action", Variant(int32_t{a_GetDocument}));
    EXPECT_EQ(e.Number(), 20302);
    EXPECT_EQ(e.Description(), "Interrupted.");
    EXPECT_LT(sink_->body.size(), n);
    EXPECT_EQ(sink_->log.back(), "Disconnected 0 OK");
}

TEST_F(LoadedCtrlTest, HostDroppingTheControlMidRequestIsSafe) {
    PeerProcess peer = PeerProcess::Scripted("big", record_, "100000");
    Put("URL", Variant::FromUtf8(peer.Url("/big")));
    sink_->hook = [this](va::DispId id) {
        if (id == http_event::kHeader) {
            ctl_.reset();  // the host lets go inside an event
        }
    };
    CHTTPCtrl* raw = ctl_.get();
    PutProperty(*raw, "Action", Variant(int32_t{a_GetDocument}));
    EXPECT_EQ(ctl_, nullptr);
    EXPECT_EQ(sink_->log.back(), "Disconnected 0 OK");
}

TEST_F(LoadedCtrlTest, PostThroughProxyCarriesAbsoluteUrlAndBody) {
    PeerProcess proxy = PeerProcess::Replying("HTTP/1.0 200 OK\r\n\r\n", record_);
    Put("URL", Variant(u"http://relay.example:81/post/"));
    Put("ProxyServer", Variant(u"127.0.0.1"));
    Put("ProxyPort", Variant(static_cast<int32_t>(proxy.port())));
    Put("PostData", Variant(u"x=1"));
    Put("ContentType", Variant(u"text/plain"));
    Put("UserAgent", Variant(u"T"));
    Put("OtherHeaders", Variant(u"X-A: 1\r\n"));
    Put("Action", Variant(int32_t{a_PostData}));
    EXPECT_EQ(ReadFile(record_),
              "POST http://relay.example:81/post/ HTTP/1.0\r\nUser-Agent: T\r\nX-A: 1\r\n"
              "Content-Type: text/plain\r\nContent-Length: 3\r\n\r\nx=1");
}

TEST_F(LoadedCtrlTest, ServerBytesAboveAsciiKeepOneCharacterEach) {
    PeerProcess peer =
        PeerProcess::Replying("HTTP/1.0 404 Nicht gef\xfcnden\r\nX-N: \xe9\r\n\r\n", record_);
    Put("URL", Variant::FromUtf8(peer.Url("/")));
    const AutomationError e = PutError("Action", Variant(int32_t{a_GetDocument}));
    EXPECT_EQ(e.Number(), 20152);
    EXPECT_EQ(e.Description(), "404 Nicht gef\u00fcnden");
    EXPECT_EQ(Get("StatusLine").ToString(), u"HTTP/1.0 404 Nicht gef\u00fcnden");
    EXPECT_EQ(sink_->log[1], "Header X-N: \u00e9");
}

TEST(WinsockText, TableAndFallback) {
    EXPECT_EQ(WinsockErrorText(10061), "[10061] Connection refused.");
    EXPECT_EQ(WinsockErrorText(10066), "[10066] Directory not empty");
    EXPECT_EQ(WinsockErrorText(11004), "[11004] Valid name, no data record (check DNS setup).");
    EXPECT_EQ(WinsockErrorText(10001), "[10001] (no description available)");
}

TEST(HttpCtrlPersistence, StreamRoundTripAndDefaults) {
    auto a = std::make_shared<CHTTPCtrl>();
    PutProperty(*a, "ProxyServer", Variant(u"proxy"));
    PutProperty(*a, "Accept", Variant(u"*/*"));
    PutProperty(*a, "UserAgent", Variant(u"Agent \u00e9"));
    PutProperty(*a, "HTTPVersion", Variant(u"HTTP/1.1"));
    PutProperty(*a, "ProxyPort", Variant(int32_t{8080}));
    a->SetExtent({1000, 2000});
    PutProperty(*a, "URL", Variant(u"http://not/persisted"));
    EXPECT_TRUE(a->IsDirty());
    va::ByteStream s;
    ASSERT_TRUE(a->Save(s, true));
    EXPECT_FALSE(a->IsDirty());
    EXPECT_LE(s.Size(), a->GetSizeMax());

    auto b = std::make_shared<CHTTPCtrl>();
    s.Seek(0);
    ASSERT_TRUE(b->Load(s));
    EXPECT_EQ(GetProperty(*b, "ProxyServer").ToString(), u"proxy");
    EXPECT_EQ(GetProperty(*b, "Accept").ToString(), u"*/*");
    EXPECT_EQ(GetProperty(*b, "UserAgent").ToString(), u"Agent \u00e9");
    EXPECT_EQ(GetProperty(*b, "HTTPVersion").ToString(), u"HTTP/1.1");
    EXPECT_EQ(GetProperty(*b, "ProxyPort").ToInt32(), 8080);
    EXPECT_EQ(b->Extent(), (va::Size{1000, 2000}));
    EXPECT_EQ(GetProperty(*b, "URL").ToString(), u"");
    EXPECT_FALSE(b->WinsockLoaded());

    // Every shorter stream is refused without a crash.
    const std::string bytes = s.ToString();
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        va::ByteStream part = va::ByteStream::FromString(bytes.substr(0, cut));
        auto c = std::make_shared<CHTTPCtrl>();
        EXPECT_FALSE(c->Load(part)) << cut;
    }
    EXPECT_TRUE(b->InitNew());
    EXPECT_EQ(GetProperty(*b, "UserAgent").ToString(), u"Quillon's HTTP Control V2.0");
    EXPECT_EQ(GetProperty(*b, "ProxyPort").ToInt32(), 80);
}

TEST(HttpCtrlPersistence, BagInOrderAndLoadedFlagLoadsAtOnce) {
    auto a = std::make_shared<CHTTPCtrl>();
    a->SetWinsockLoaded(true);
    PutProperty(*a, "ProxyServer", Variant(u"p"));
    va::PropertyBag bag;
    ASSERT_TRUE(a->Save(bag, true, false));
    const std::vector<std::string> order = {"_Version",      "_ExtentX",    "_ExtentY",
                                            "WinsockLoaded", "ProxyServer", "Accept",
                                            "UserAgent",     "HTTPVersion", "ProxyPort"};
    EXPECT_EQ(bag.Names(), order);
    a.reset();
    EXPECT_FALSE(WinsockState::Instance().Loaded());

    auto b = std::make_shared<CHTTPCtrl>();
    ASSERT_TRUE(b->Load(bag));
    EXPECT_TRUE(b->WinsockLoaded());
    EXPECT_TRUE(WinsockState::Instance().Loaded());
    EXPECT_EQ(GetProperty(*b, "ProxyServer").ToString(), u"p");
    b.reset();
    EXPECT_FALSE(WinsockState::Instance().Loaded());

    va::PropertyBag empty;
    auto c = std::make_shared<CHTTPCtrl>();
    ASSERT_TRUE(c->Load(empty));
    EXPECT_EQ(GetProperty(*c, "UserAgent").ToString(), u"Quillon's HTTP Control V2.0");
    EXPECT_EQ(GetProperty(*c, "HTTPVersion").ToString(), u"HTTP/1.0");
    EXPECT_EQ(GetProperty(*c, "ProxyPort").ToInt32(), 80);
    va::PropertyBag bad;
    bad.Write("ProxyServer", Variant(u"half"));
    bad.Write("ProxyPort", Variant(u"not a number"));
    EXPECT_FALSE(c->Load(bad));
    // All or nothing: the good value before the bad one is not taken.
    EXPECT_EQ(GetProperty(*c, "ProxyServer").ToString(), u"");
}

}  // namespace
}  // namespace fetchwire
