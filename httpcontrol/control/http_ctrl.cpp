#include "http_ctrl.h"

#include <unistd.h>

#include <new>

#include "error_text.h"
#include "winsock_state.h"
#include "wsa_errors.h"

namespace fetchwire {

using va::AutomationError;
using va::Variant;

namespace {

// Strings are kept as bytes, one per 16-bit unit (units above 255 become
// "?"), so body bytes and values survive the round trip unchanged.
std::string Bytes(const std::u16string& v) {
    return va::NarrowBytes(v);
}
// Every body piece passes here. Blocks of a fixed length over non-aliasing
// pointers are what the compiler vectorises at the build's optimisation level.
void WidenInto(char16_t* __restrict out, const unsigned char* __restrict in, std::size_t n) {
    constexpr std::size_t kBlock = 16;
    std::size_t i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        for (std::size_t k = 0; k < kBlock; ++k) {
            out[i + k] = in[i + k];
        }
    }
    for (; i < n; ++i) {
        out[i] = in[i];
    }
}
std::u16string Units(std::string_view v) {
    std::u16string out(v.size(), u'\0');
    WidenInto(out.data(), reinterpret_cast<const unsigned char*>(v.data()), v.size());
    return out;
}

constexpr std::size_t kMaxHostName = 100;

int32_t CheckedPort(int32_t v) {
    // A port outside 16 bits would silently become another port.
    if (v < 0 || v > 0xFFFF) {
        throw AutomationError(va::errors::kBadPropertyValue, "Bad property value.");
    }
    return v;
}

}  // namespace

void CIvsblCtrl::RunTimeOnly() const {
    if (DesignMode()) {
        throw AutomationError(va::errors::kGetNotSupported);
    }
}

CWsockCtrl::~CWsockCtrl() {
    HoldWinsock(false);
}

void CWsockCtrl::HoldWinsock(bool hold) {
    if (hold == held_) {
        return;
    }
    if (hold) {
        held_ = WinsockState::Instance().Load();
    } else {
        WinsockState::Instance().Unload();
        held_ = false;
    }
}

CHTTPCtrl::CHTTPCtrl() {
    Fields().userAgent = kDefaultUserAgent;
}

CHTTPCtrl::~CHTTPCtrl() = default;

void CHTTPCtrl::Changed() {
    dirty_ = true;
}

void CHTTPCtrl::SetText(std::string& field, const std::u16string& v) {
    field = Bytes(v);
    Changed();
}

std::u16string CHTTPCtrl::WinsockInfo() const {
    return Units(WinsockState::Instance().Description());
}

std::u16string CHTTPCtrl::WinsockStatus() const {
    return Units(WinsockState::Instance().SystemStatus());
}

std::u16string CHTTPCtrl::WinsockPath() const {
    RunTimeOnly();
    return Units(WinsockState::Instance().EffectivePath());
}

void CHTTPCtrl::SetWinsockPath(const std::u16string& v) {
    WinsockState::Instance().SetPath(Bytes(v));
    Changed();
}

void CHTTPCtrl::SetWinsockLoaded(bool v) {
    HoldWinsock(v);
    Changed();
}

int32_t CHTTPCtrl::WinsockMaxSockets() const {
    return WinsockState::Instance().MaxSockets();
}

int32_t CHTTPCtrl::WinsockMaxDatagramSize() const {
    return WinsockState::Instance().MaxDatagramSize();
}

std::u16string CHTTPCtrl::LocalHost() const {
    if (HasSocket()) {
        return Units(LocalAddress());
    }
    const SocketEntries& e = WinsockState::Instance().Entries();
    char name[256] = {};
    if (e.gethostname(name, sizeof name - 1) != 0) {
        return Units(WinsockErrorText(e.lastError()));
    }
    return Units(std::string(name).substr(0, kMaxHostName));
}

std::u16string CHTTPCtrl::URL() const {
    return Units(Fields().url);
}

void CHTTPCtrl::SetURL(const std::u16string& v) {
    ReportError(HttpRequest::SetURL(Bytes(v)), *this);
    Changed();
}

std::u16string CHTTPCtrl::URLScheme() const {
    RunTimeOnly();
    return Units(Fields().urlScheme);
}

void CHTTPCtrl::SetURLScheme(const std::u16string& v) {
    SetText(Fields().urlScheme, v);
}

std::u16string CHTTPCtrl::URLServer() const {
    RunTimeOnly();
    return Units(Fields().urlServer);
}

void CHTTPCtrl::SetURLServer(const std::u16string& v) {
    SetText(Fields().urlServer, v);
}

int32_t CHTTPCtrl::URLPort() const {
    RunTimeOnly();
    return Fields().urlPort;
}

void CHTTPCtrl::SetURLPort(int32_t v) {
    Fields().urlPort = static_cast<uint16_t>(CheckedPort(v));
    Changed();
}

std::u16string CHTTPCtrl::URLPath() const {
    RunTimeOnly();
    return Units(Fields().urlPath);
}

void CHTTPCtrl::SetURLPath(const std::u16string& v) {
    SetText(Fields().urlPath, v);
}

std::u16string CHTTPCtrl::ProxyServer() const {
    return Units(Fields().proxyServer);
}

void CHTTPCtrl::SetProxyServer(const std::u16string& v) {
    SetText(Fields().proxyServer, v);
}

int32_t CHTTPCtrl::ProxyPort() const {
    return Fields().proxyPort;
}

void CHTTPCtrl::SetProxyPort(int32_t v) {
    Fields().proxyPort = static_cast<uint16_t>(CheckedPort(v));
    Changed();
}

void CHTTPCtrl::SetAction(int32_t v) {
    if (v < a_Idle || v > a_ResetHeaders) {
        throw AutomationError(va::errors::kBadPropertyValue, "Bad property value.");
    }
    // The host may drop its last reference from an event handler; the
    // control stays alive until the request it runs is over.
    const std::shared_ptr<CHTTPCtrl> keep = weak_from_this().lock();
    int rc = kOk;
    try {
        switch (v) {
            case a_Idle:
                rc = Interrupt();
                break;
            case a_GetDocument:
                rc = Get();
                break;
            case a_PostData:
                rc = Post();
                break;
            case a_GetHeader:
                rc = Head();
                break;
            case a_ResetHeaders:
                rc = ResetHeaders();
                break;
        }
    } catch (const std::bad_alloc&) {
        rc = kErrOutOfMemory;
    }
    ReportError(rc, *this);
}

std::u16string CHTTPCtrl::PostData() const {
    RunTimeOnly();
    return Units(Fields().postData);
}

void CHTTPCtrl::SetPostData(const std::u16string& v) {
    // The body text ends at its first zero character.
    SetText(Fields().postData, v.substr(0, v.find(u'\0')));
}

std::u16string CHTTPCtrl::AttachedFile() const {
    RunTimeOnly();
    return Units(Fields().attachedFile);
}

void CHTTPCtrl::SetAttachedFile(const std::u16string& v) {
    SetText(Fields().attachedFile, v);
}

std::u16string CHTTPCtrl::ContentType() const {
    RunTimeOnly();
    return Units(Fields().contentType);
}

void CHTTPCtrl::SetContentType(const std::u16string& v) {
    SetText(Fields().contentType, v);
}

std::u16string CHTTPCtrl::User() const {
    return Units(Fields().user);
}

void CHTTPCtrl::SetUser(const std::u16string& v) {
    ReportError(HttpRequest::SetUser(Bytes(v)), *this);
    Changed();
}

std::u16string CHTTPCtrl::Password() const {
    return Units(Fields().password);
}

void CHTTPCtrl::SetPassword(const std::u16string& v) {
    ReportError(HttpRequest::SetPassword(Bytes(v)), *this);
    Changed();
}

std::u16string CHTTPCtrl::Authorization() const {
    RunTimeOnly();
    return Units(Fields().authorization);
}

void CHTTPCtrl::SetAuthorization(const std::u16string& v) {
    SetText(Fields().authorization, v);
}

std::u16string CHTTPCtrl::Accept() const {
    return Units(Fields().accept);
}

void CHTTPCtrl::SetAccept(const std::u16string& v) {
    SetText(Fields().accept, v);
}

std::u16string CHTTPCtrl::From() const {
    RunTimeOnly();
    return Units(Fields().from);
}

void CHTTPCtrl::SetFrom(const std::u16string& v) {
    SetText(Fields().from, v);
}

std::u16string CHTTPCtrl::UserAgent() const {
    return Units(Fields().userAgent);
}

void CHTTPCtrl::SetUserAgent(const std::u16string& v) {
    SetText(Fields().userAgent, v);
}

std::u16string CHTTPCtrl::IfModifiedSince() const {
    RunTimeOnly();
    return Units(Fields().ifModifiedSince);
}

void CHTTPCtrl::SetIfModifiedSince(const std::u16string& v) {
    SetText(Fields().ifModifiedSince, v);
}

std::u16string CHTTPCtrl::Referer() const {
    RunTimeOnly();
    return Units(Fields().referer);
}

void CHTTPCtrl::SetReferer(const std::u16string& v) {
    SetText(Fields().referer, v);
}

std::u16string CHTTPCtrl::Pragma() const {
    RunTimeOnly();
    return Units(Fields().pragma);
}

void CHTTPCtrl::SetPragma(const std::u16string& v) {
    SetText(Fields().pragma, v);
}

std::u16string CHTTPCtrl::OtherHeaders() const {
    RunTimeOnly();
    return Units(Fields().otherHeaders);
}

void CHTTPCtrl::SetOtherHeaders(const std::u16string& v) {
    SetText(Fields().otherHeaders, v);
}

std::u16string CHTTPCtrl::StatusLine() const {
    RunTimeOnly();
    return Units(Fields().statusLine);
}

std::u16string CHTTPCtrl::HTTPVersion() const {
    return Units(Fields().httpVersion);
}

void CHTTPCtrl::SetHTTPVersion(const std::u16string& v) {
    SetText(Fields().httpVersion, v);
}

// Events -------------------------------------------------------------------

void CHTTPCtrl::FireStatus(va::DispId id, int code) {
    Variant status = static_cast<int16_t>(code);
    Variant text = code == 0 ? Variant(u"OK") : Variant::FromUtf8(WinsockErrorText(code));
    events_.Fire(id, status, text);
}

void CHTTPCtrl::OnError(int code, const std::string& text) {
    Variant number = static_cast<int16_t>(code);
    Variant description = Units(text);
    events_.Fire(http_event::kError, number, description);
}

void CHTTPCtrl::OnConnected(int result) {
    FireStatus(http_event::kConnected, result);
}

void CHTTPCtrl::OnDisconnected(int result) {
    FireStatus(http_event::kDisconnected, result);
}

void CHTTPCtrl::OnHeader(const std::string& field, const std::string& value) {
    Variant f;
    Variant v;
    try {
        f = Units(field);
        v = Units(value);
    } catch (const std::bad_alloc&) {
        OnError(va::errors::kOutOfMemory, "Out of memory while trying to fire Header.");
        f = Variant(u"");
        v = Variant(u"");
    }
    events_.Fire(http_event::kHeader, f, v);
}

void CHTTPCtrl::OnStartOfBody() {
    events_.Fire(http_event::kStartTransfer, {});
}

void CHTTPCtrl::OnBodyData(uint32_t total, std::string_view piece) {
    Variant bytes = static_cast<int32_t>(total);
    Variant text;
    try {
        text = Units(piece);
    } catch (const std::bad_alloc&) {
        OnError(va::errors::kOutOfMemory, "Out of memory while trying to fire Transfer.");
        text = Variant(u"");
    }
    events_.Fire(http_event::kTransfer, bytes, text);
}

void CHTTPCtrl::OnEndOfBody() {
    events_.Fire(http_event::kEndTransfer, {});
}

uint32_t CHTTPCtrl::Advise(std::shared_ptr<va::IEventSink> sink) {
    return events_.Advise(std::move(sink));
}

bool CHTTPCtrl::Unadvise(uint32_t cookie) {
    return events_.Unadvise(cookie);
}

std::vector<va::EventInfo> CHTTPCtrl::Events() const {
    using T = va::VariantType;
    return {
        {"Error", http_event::kError, {"ErrorCode", "Description"}, {T::Int16, T::String}, true},
        {"Connected",
         http_event::kConnected,
         {"StatusCode", "Description"},
         {T::Int16, T::String},
         true},
        {"Disconnected",
         http_event::kDisconnected,
         {"StatusCode", "Description"},
         {T::Int16, T::String},
         true},
        {"Header", http_event::kHeader, {"Field", "Value"}, {T::String, T::String}, true},
        {"StartTransfer", http_event::kStartTransfer, {}, {}, true},
        {"Transfer",
         http_event::kTransfer,
         {"BytesTransferred", "Text"},
         {T::Int32, T::String},
         true},
        {"EndTransfer", http_event::kEndTransfer, {}, {}, true},
    };
}

// Persistence --------------------------------------------------------------

bool CHTTPCtrl::InitNew() {
    SetWinsockLoaded(false);
    Fields().proxyServer.clear();
    Fields().accept.clear();
    Fields().userAgent = kDefaultUserAgent;
    Fields().httpVersion = "HTTP/1.0";
    Fields().proxyPort = 80;
    dirty_ = false;
    return true;
}

bool CHTTPCtrl::Save(va::ByteStream& s, bool clearDirty) {
    s.WriteUInt32(kDataVersion);
    s.WriteInt32(extent_.cx);
    s.WriteInt32(extent_.cy);
    s.WriteInt32(WinsockLoaded() ? 1 : 0);
    s.WriteArchiveString(Fields().proxyServer);
    s.WriteArchiveString(Fields().accept);
    s.WriteArchiveString(Fields().userAgent);
    s.WriteArchiveString(Fields().httpVersion);
    s.WriteInt32(Fields().proxyPort);
    if (clearDirty) {
        dirty_ = false;
    }
    return true;
}

bool CHTTPCtrl::Load(va::ByteStream& s) {
    uint32_t version = 0;
    int32_t cx = 0;
    int32_t cy = 0;
    int32_t loaded = 0;
    int32_t proxyPort = 0;
    std::string proxy;
    std::string accept;
    std::string agent;
    std::string httpVersion;
    if (!s.ReadUInt32(version) || (version >> 16) != 2 || !s.ReadInt32(cx) || !s.ReadInt32(cy) ||
        !s.ReadInt32(loaded) || !s.ReadArchiveString(proxy) || !s.ReadArchiveString(accept) ||
        !s.ReadArchiveString(agent) || !s.ReadArchiveString(httpVersion) ||
        !s.ReadInt32(proxyPort) || proxyPort < 0 || proxyPort > 0xFFFF) {
        return false;
    }
    extent_ = va::Size{cx, cy};
    Fields().proxyServer = proxy;
    Fields().accept = accept;
    Fields().userAgent = agent;
    Fields().httpVersion = httpVersion;
    Fields().proxyPort = static_cast<uint16_t>(proxyPort);
    HoldWinsock(loaded != 0);
    dirty_ = false;
    return true;
}

uint64_t CHTTPCtrl::GetSizeMax() const {
    const auto& f = Fields();
    return 4 * 5 + 4 * 7 + f.proxyServer.size() + f.accept.size() + f.userAgent.size() +
           f.httpVersion.size();
}

bool CHTTPCtrl::Save(va::IPropertyBag& bag, bool clearDirty, bool /*saveAll*/) {
    const auto& f = Fields();
    const bool ok = bag.Write("_Version", Variant(static_cast<int32_t>(kDataVersion))) &&
                    bag.Write("_ExtentX", Variant(extent_.cx)) &&
                    bag.Write("_ExtentY", Variant(extent_.cy)) &&
                    bag.Write("WinsockLoaded", Variant(WinsockLoaded())) &&
                    bag.Write("ProxyServer", Variant(Units(f.proxyServer))) &&
                    bag.Write("Accept", Variant(Units(f.accept))) &&
                    bag.Write("UserAgent", Variant(Units(f.userAgent))) &&
                    bag.Write("HTTPVersion", Variant(Units(f.httpVersion))) &&
                    bag.Write("ProxyPort", Variant(static_cast<int32_t>(f.proxyPort)));
    if (ok && clearDirty) {
        dirty_ = false;
    }
    return ok;
}

bool CHTTPCtrl::Load(va::IPropertyBag& bag) {
    // Missing values take their defaults; a value of the wrong kind fails
    // the load and changes nothing.
    auto read = [&bag](const char* name, Variant fallback) {
        Variant v;
        return bag.Read(name, v) ? v : fallback;
    };
    try {
        const int32_t cx = read("_ExtentX", Variant(extent_.cx)).ToInt32();
        const int32_t cy = read("_ExtentY", Variant(extent_.cy)).ToInt32();
        const bool loaded = read("WinsockLoaded", Variant(false)).ToBool();
        const std::string proxy = Bytes(read("ProxyServer", Variant(u"")).ToString());
        const std::string accept = Bytes(read("Accept", Variant(u"")).ToString());
        const std::string agent =
            Bytes(read("UserAgent", Variant::FromUtf8(kDefaultUserAgent)).ToString());
        const std::string httpVersion = Bytes(read("HTTPVersion", Variant(u"HTTP/1.0")).ToString());
        const int32_t proxyPort = read("ProxyPort", Variant(int32_t{80})).ToInt32();
        if (proxyPort < 0 || proxyPort > 0xFFFF) {
            return false;
        }
        extent_ = va::Size{cx, cy};
        Fields().proxyServer = proxy;
        Fields().accept = accept;
        Fields().userAgent = agent;
        Fields().httpVersion = httpVersion;
        Fields().proxyPort = static_cast<uint16_t>(proxyPort);
        HoldWinsock(loaded);
    } catch (const AutomationError&) {
        return false;
    }
    dirty_ = false;
    return true;
}

}  // namespace fetchwire
