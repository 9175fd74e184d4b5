#pragma once
// The HTTP control: the engine's request properties, Action and events on
// the component model, invisible at run time. Typed members first; the
// dispatch table maps them onto their identifiers.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/control.h"
#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/persist.h"
#include "engine/http_request.h"

namespace fetchwire {

namespace va = vantry::automation;

constexpr va::Clsid kHttpClsid = va::MakeGuid("{33333180-F789-11CE-86F8-0020AFD8C6DB}");
constexpr va::Iid kHttpDispatchIid = va::MakeGuid("{33333181-F789-11CE-86F8-0020AFD8C6DB}");
constexpr va::Iid kHttpEventsIid = va::MakeGuid("{33333182-F789-11CE-86F8-0020AFD8C6DB}");
constexpr va::Guid kHttpLibId = va::MakeGuid("{33333183-F789-11CE-86F8-0020AFD8C6DB}");
constexpr const char* kHttpProgId = "HTTP.HTTPCtrl.1";
constexpr const char* kDefaultUserAgent = "Quillon's HTTP Control V2.0";
constexpr uint32_t kHttpMiscStatus = 132497;

enum TAction : int32_t {
    a_Idle = 0,
    a_GetDocument = 1,
    a_PostData = 2,
    a_GetHeader = 3,
    a_ResetHeaders = 4,
};

// Dispatch identifiers of the events.
namespace http_event {
constexpr va::DispId kError = 1;
constexpr va::DispId kConnected = 2;
constexpr va::DispId kDisconnected = 3;
constexpr va::DispId kHeader = 4;
constexpr va::DispId kStartTransfer = 5;
constexpr va::DispId kTransfer = 6;
constexpr va::DispId kEndTransfer = 7;
}  // namespace http_event

// A control without a run-time window: the site, the extent, design mode.
class CIvsblCtrl : public virtual va::IControl {
public:
    void SetClientSite(va::ControlSite* site) override { site_ = site; }
    va::ControlSite* ClientSite() const override { return site_; }
    va::Size Extent() const override { return extent_; }
    void SetExtent(va::Size himetric) override { extent_ = himetric; }

protected:
    bool DesignMode() const { return !va::AmbientUserMode(site_); }
    // Reading a run-time-only property at design time is refused.
    void RunTimeOnly() const;

    va::ControlSite* site_ = nullptr;
    va::Size extent_{847, 847};  // 32 x 32 pixels, the size of the bitmap
};

// Socket layer loading and the TCP channel with the HTTP engine on it.
class CWsockCtrl : public HttpRequest {
public:
    ~CWsockCtrl() override;
    bool WinsockHeld() const { return held_; }
    // Takes or lets go of this control's hold on the socket layer.
    void HoldWinsock(bool hold);

private:
    bool held_ = false;
};

class CHTTPCtrl final : public CWsockCtrl,
                        public CIvsblCtrl,
                        public va::TableDispatch<CHTTPCtrl>,
                        public va::IConnectable,
                        public va::IPersistStreamInit,
                        public va::IPersistPropertyBag,
                        public std::enable_shared_from_this<CHTTPCtrl> {
public:
    CHTTPCtrl();
    ~CHTTPCtrl() override;

    // Members with a behaviour of their own. A property that only holds a
    // request field has no member: it is a row of the property table
    // (http_properties.h), which also drives dispatch, saving and loading.
    std::u16string WinsockInfo() const;
    std::u16string WinsockStatus() const;
    std::u16string WinsockPath() const;
    void SetWinsockPath(const std::u16string& v);
    bool WinsockLoaded() const { return WinsockHeld(); }
    void SetWinsockLoaded(bool v);
    int32_t WinsockMaxSockets() const;
    int32_t WinsockMaxDatagramSize() const;
    std::u16string LocalHost() const;
    void SetURL(const std::u16string& v);
    int32_t Action() const { return a_Idle; }
    void SetAction(int32_t v);
    void SetUser(const std::u16string& v);
    void SetPassword(const std::u16string& v);
    void AboutBox() override;

    // IConnectable
    uint32_t Advise(std::shared_ptr<va::IEventSink> sink) override;
    bool Unadvise(uint32_t cookie) override;
    std::vector<va::EventInfo> Events() const override;

    // IControl
    uint32_t MiscStatus() const override { return kHttpMiscStatus; }

    // IPersistStreamInit and IPersistPropertyBag
    va::Clsid GetClassId() const override { return kHttpClsid; }
    bool IsDirty() const override { return dirty_; }
    bool InitNew() override;
    bool Load(va::ByteStream& stream) override;
    bool Save(va::ByteStream& stream, bool clearDirty) override;
    uint64_t GetSizeMax() const override;
    bool Load(va::IPropertyBag& bag) override;
    bool Save(va::IPropertyBag& bag, bool clearDirty, bool saveAll) override;

    // Format version of the saved control data (2.0).
    static constexpr uint32_t kDataVersion = 0x00020000;

private:
    // Engine upcalls, turned into events.
    void OnError(int code, const std::string& text) override;
    void OnConnected(int result) override;
    void OnDisconnected(int result) override;
    void OnHeader(const std::string& field, const std::string& value) override;
    void OnStartOfBody() override;
    void OnBodyData(uint32_t total, std::string_view piece) override;
    void OnEndOfBody() override;

    friend struct PropertyAccess;
    // Dispatch answers from the property table.
    friend class va::TableDispatch<CHTTPCtrl>;
    static const va::DispatchTable<CHTTPCtrl>& Table();

    void FireStatus(va::DispId id, int code);
    // A loaded value of a saved property: a text, or a flag or number.
    struct SavedValue {
        int32_t number = 0;
        std::u16string text;
    };
    // Puts loaded values, checked beforehand, into the saved properties.
    void CommitSaved(const std::vector<SavedValue>& values);
    void SetText(std::string& field, const std::u16string& v);
    void Changed();

    va::EventSource events_;
    bool dirty_ = false;
};

}  // namespace fetchwire
