// The probe control: a plain class with typed members and the dispatch,
// event, persistence and control faces a host reaches it through.

#include <memory>
#include <string>

#include "automation/control.h"
#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/exports.h"
#include "automation/persist.h"
#include "automation/server.h"
#include "automation/tests/probe_control.h"

namespace {

using namespace vantry::automation;

class Probe final : public TableDispatch<Probe>,
                    public IConnectable,
                    public IControl,
                    public IPersistStreamInit,
                    public IPersistPropertyBag {
public:
    // Typed members.
    int16_t Count() const { return count_; }
    void SetCount(int16_t v) {
        count_ = v;
        Changed(probe::kCount);
    }
    std::u16string Caption() const { return caption_; }
    void SetCaption(const std::u16string& v) {
        if (site_ != nullptr && !site_->OnRequestEdit(probe::kCaption)) {
            throw AutomationError(errors::kBadPropertyValue, "Edit refused by the container.");
        }
        caption_ = v;
        Changed(probe::kCaption);
    }
    OleColor Color() const { return color_; }
    void SetColor(OleColor v) {
        color_ = v;
        Changed(probe::kColor);
        if (site_ != nullptr) {
            site_->Invalidate();
        }
    }
    int32_t Serial() const { return 4711; }
    int32_t Item(int16_t index) const { return index >= 0 && index < 4 ? items_[index] : 0; }
    void SetItem(int16_t index, int32_t v) {
        if (index < 0 || index >= 4) {
            throw AutomationError(errors::kInvalidCall);
        }
        items_[index] = v;
    }
    int32_t Add(int16_t a, int16_t b) { return int32_t{a} + b; }
    void Fail(int32_t number) {
        throw AutomationError(number, "Probe failure " + std::to_string(number) + ".");
    }
    std::u16string Ping(const std::u16string& text) {
        Variant code = int16_t{0};
        Variant value = text;
        events_.Fire(probe::kChanged, code, value);
        // By-reference arguments come back changed by the sinks.
        return value.ToString() + u"/" + code.ToString();
    }
    bool UserMode() const { return AmbientUserMode(site_); }
    void SetSecret(const std::string& v) { secret_ = v; }

    static const DispatchTable<Probe>& Table() {
        static const auto table =
            DispatchTable<Probe>()
                .Property("Count", probe::kCount, &Probe::Count, &Probe::SetCount)
                .Flags(kBindable)
                .Property("Caption", probe::kCaption, &Probe::Caption, &Probe::SetCaption)
                .Flags(kBindable | kRequestEdit)
                .Property("Color", probe::kColor, &Probe::Color, &Probe::SetColor)
                .Property("Serial", probe::kSerial, &Probe::Serial)
                .Property("Item", probe::kItem, &Probe::Item, &Probe::SetItem)
                .Method("Add", probe::kAdd, &Probe::Add)
                .Method("Fail", probe::kFail, &Probe::Fail)
                .Method("Ping", probe::kPing, &Probe::Ping)
                .Property("UserMode", probe::kUserMode, &Probe::UserMode)
                .WriteOnly("Secret", probe::kSecret, &Probe::SetSecret)
                .Method("AboutBox", dispid::kAboutBox, &Probe::AboutBox);
        return table;
    }

    // IConnectable
    uint32_t Advise(std::shared_ptr<IEventSink> sink) override {
        return events_.Advise(std::move(sink));
    }
    bool Unadvise(uint32_t cookie) override { return events_.Unadvise(cookie); }
    std::vector<EventInfo> Events() const override {
        return {EventInfo{"Changed",
                          probe::kChanged,
                          {"Code", "Text"},
                          {VariantType::Int16, VariantType::String},
                          true},
                EventInfo{"Step", probe::kStep, {}, {}, false}};
    }

    // IControl
    void SetClientSite(ControlSite* site) override { site_ = site; }
    ControlSite* ClientSite() const override { return site_; }
    Size Extent() const override { return extent_; }
    void SetExtent(Size himetric) override { extent_ = himetric; }
    uint32_t MiscStatus() const override {
        return misc_status::kActivateWhenVisible | misc_status::kSetClientSiteFirst;
    }
    void AboutBox() override { ++aboutShown_; }

    // IPersistStreamInit: version, extent, then Count, Caption, Color tagged.
    Clsid GetClassId() const override { return probe::kClsid; }
    bool IsDirty() const override { return dirty_; }
    bool InitNew() override {
        count_ = 0;
        caption_.clear();
        color_ = OleColor{0xC0C0C0};
        return true;
    }
    bool Load(ByteStream& s) override {
        uint32_t version;
        int32_t cx, cy;
        Variant count, caption, color;
        if (!s.ReadUInt32(version) || version != 0x100 || !s.ReadInt32(cx) || !s.ReadInt32(cy) ||
            !s.ReadTaggedValue(count) || !s.ReadTaggedValue(caption) || !s.ReadTaggedValue(color)) {
            return false;
        }
        try {
            count_ = count.ToInt16();
            caption_ = caption.ToString();
            color_ = color.ToColor();
        } catch (const AutomationError&) {
            return false;
        }
        extent_ = Size{cx, cy};
        dirty_ = false;
        return true;
    }
    bool Save(ByteStream& s, bool clearDirty) override {
        s.WriteUInt32(0x100);
        s.WriteInt32(extent_.cx);
        s.WriteInt32(extent_.cy);
        s.WriteTaggedValue(Variant(count_));
        s.WriteTaggedValue(Variant(caption_));
        s.WriteTaggedValue(Variant(color_));
        if (clearDirty) {
            dirty_ = false;
        }
        return true;
    }
    uint64_t GetSizeMax() const override { return 12 + 4 + 6 + 4 + 2 * caption_.size() + 2 + 6; }

    // IPersistPropertyBag
    bool Load(IPropertyBag& bag) override {
        Variant v;
        if (bag.Read("Count", v)) {
            count_ = v.ToInt16();
        }
        if (bag.Read("Caption", v)) {
            caption_ = v.ToString();
        }
        if (bag.Read("Color", v)) {
            color_ = v.ToColor();
        }
        dirty_ = false;
        return true;
    }
    bool Save(IPropertyBag& bag, bool clearDirty, bool /*saveAll*/) override {
        bag.Write("Count", Variant(count_));
        bag.Write("Caption", Variant(caption_));
        bag.Write("Color", Variant(color_));
        if (clearDirty) {
            dirty_ = false;
        }
        return true;
    }

private:
    void Changed(DispId id) {
        dirty_ = true;
        if (site_ != nullptr) {
            site_->OnChanged(id);
        }
    }

    int16_t count_ = 0;
    std::u16string caption_;
    OleColor color_{0xC0C0C0};
    int32_t items_[4] = {};
    std::string secret_;
    bool dirty_ = false;
    int aboutShown_ = 0;
    Size extent_{2540, 1270};
    ControlSite* site_ = nullptr;
    EventSource events_;
};

const Server& ThisServer() {
    static const Server server(
        {ClassInfo{.clsid = probe::kClsid,
                   .description = "Probe Control",
                   .progId = probe::kProgId,
                   .versionIndependentProgId = probe::kVersionIndependentProgId,
                   .control = true,
                   .insertable = true,
                   .toolboxBitmap = 1,
                   .miscStatus = 131473,
                   .create = [] { return std::make_shared<Probe>(); }},
         ClassInfo{.clsid = probe::kPageClsid,
                   .description = "Probe Page",
                   .progId = probe::kPageProgId,
                   .usesTypeLib = false}},
        TypeLibInfo{.libid = probe::kLibid,
                    .name = "ProbeLib",
                    .major = 1,
                    .minor = 5,
                    .interfaces = {{probe::kIid, "IProbe", true},
                                   {probe::kEventsIid, "IProbeEvents", false}}});
    return server;
}

}  // namespace

VANTRY_AUTOMATION_SERVER(ThisServer)
