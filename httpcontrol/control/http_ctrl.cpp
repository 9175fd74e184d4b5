#include "control/http_ctrl.h"

#include <unistd.h>

#include <new>

#include "control/error_text.h"
#include "control/http_properties.h"
#include "engine/winsock_state.h"
#include "engine/wsa_errors.h"

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

using T = va::VariantType;

// The one saved number is a port.
bool IsPort(int32_t v) {
    return v >= 0 && v <= 0xFFFF;
}

// What a new control, or a bag without the entry, has for a saved row.
Variant DefaultOf(const PropertyRow& row) {
    switch (row.type) {
        case T::Bool:
            return Variant(row.defaultNumber != 0);
        case T::Int32:
            return Variant(row.defaultNumber);
        default:
            return Variant(va::WidenBytes(row.defaultText));
    }
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

void CHTTPCtrl::SetURL(const std::u16string& v) {
    ReportError(HttpRequest::SetURL(Bytes(v)), *this);
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

void CHTTPCtrl::SetUser(const std::u16string& v) {
    ReportError(HttpRequest::SetUser(Bytes(v)), *this);
    Changed();
}

void CHTTPCtrl::SetPassword(const std::u16string& v) {
    ReportError(HttpRequest::SetPassword(Bytes(v)), *this);
    Changed();
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
    for (const PropertyRow* row : SavedHttpProperties()) {
        row->put(*this, DefaultOf(*row));
    }
    dirty_ = false;
    return true;
}

void CHTTPCtrl::CommitSaved(const std::vector<SavedValue>& values) {
    // Checked values only: no setter can refuse one.
    const auto rows = SavedHttpProperties();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SavedValue& v = values[i];
        switch (rows[i]->type) {
            case T::Bool:
                rows[i]->put(*this, Variant(v.number != 0));
                break;
            case T::Int32:
                rows[i]->put(*this, Variant(v.number));
                break;
            default:
                rows[i]->put(*this, Variant(v.text));
                break;
        }
    }
    dirty_ = false;
}

bool CHTTPCtrl::Save(va::ByteStream& s, bool clearDirty) {
    s.WriteUInt32(kDataVersion);
    s.WriteInt32(extent_.cx);
    s.WriteInt32(extent_.cy);
    for (const PropertyRow* row : SavedHttpProperties()) {
        const Variant v = row->get(*this);
        switch (row->type) {
            case T::Bool:
                s.WriteInt32(v.ToBool() ? 1 : 0);
                break;
            case T::Int32:
                s.WriteInt32(v.ToInt32());
                break;
            default:
                s.WriteArchiveString(Bytes(v.ToString()));
                break;
        }
    }
    if (clearDirty) {
        dirty_ = false;
    }
    return true;
}

bool CHTTPCtrl::Load(va::ByteStream& s) {
    uint32_t version = 0;
    int32_t cx = 0;
    int32_t cy = 0;
    if (!s.ReadUInt32(version) || (version >> 16) != 2 || !s.ReadInt32(cx) || !s.ReadInt32(cy)) {
        return false;
    }
    std::vector<SavedValue> values;
    for (const PropertyRow* row : SavedHttpProperties()) {
        // Texts are stored as bytes, flags and numbers as Longs.
        int32_t number = 0;
        std::string text;
        const bool read = row->type == T::String ? s.ReadArchiveString(text) : s.ReadInt32(number);
        if (!read || (row->type == T::Int32 && !IsPort(number))) {
            return false;
        }
        values.push_back({number, va::WidenBytes(text)});
    }
    extent_ = va::Size{cx, cy};
    CommitSaved(values);
    return true;
}

uint64_t CHTTPCtrl::GetSizeMax() const {
    uint64_t size = 4 * 5 + 4 * 7;
    for (const PropertyRow* row : SavedHttpProperties()) {
        if (row->type == T::String) {
            size += row->get(*this).ToString().size();
        }
    }
    return size;
}

bool CHTTPCtrl::Save(va::IPropertyBag& bag, bool clearDirty, bool /*saveAll*/) {
    bool ok = bag.Write("_Version", Variant(static_cast<int32_t>(kDataVersion))) &&
              bag.Write("_ExtentX", Variant(extent_.cx)) &&
              bag.Write("_ExtentY", Variant(extent_.cy));
    for (const PropertyRow* row : SavedHttpProperties()) {
        ok = ok && bag.Write(row->name, row->get(*this));
    }
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
    int32_t cx = 0;
    int32_t cy = 0;
    std::vector<SavedValue> values;
    try {
        cx = read("_ExtentX", Variant(extent_.cx)).ToInt32();
        cy = read("_ExtentY", Variant(extent_.cy)).ToInt32();
        for (const PropertyRow* row : SavedHttpProperties()) {
            const Variant v = va::ChangeType(read(row->name, DefaultOf(*row)), row->type);
            SavedValue value;
            if (row->type == T::String) {
                value.text = v.ToString();
            } else {
                value.number = row->type == T::Bool ? v.ToBool() : v.ToInt32();
            }
            if (row->type == T::Int32 && !IsPort(value.number)) {
                return false;
            }
            values.push_back(std::move(value));
        }
    } catch (const AutomationError&) {
        return false;
    }
    extent_ = va::Size{cx, cy};
    CommitSaved(values);
    return true;
}

}  // namespace fetchwire
