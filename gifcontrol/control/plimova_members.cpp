// The control's member table and what follows from it: the dispatch face,
// the stream and property-bag layouts, and the texts a property browser
// shows.

#include "control/plimova_members.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "control/plimova.h"

namespace plimova {

using namespace vantry::automation;

namespace {

// The object a property bag keeps for the GIF: a 32-bit byte count, then
// the bytes.
class GifStreamObject final : public IPersistStreamInit {
public:
    GifStreamObject() = default;
    explicit GifStreamObject(std::string bytes) : bytes_(std::move(bytes)) {}
    const std::string& Bytes() const { return bytes_; }

    Clsid GetClassId() const override { return ids::kGifStreamClsid; }
    // Always saved again.
    bool IsDirty() const override { return true; }
    bool InitNew() override {
        bytes_.clear();
        return true;
    }
    bool Load(ByteStream& stream) override {
        uint32_t count = 0;
        if (!stream.ReadUInt32(count)) {
            return false;
        }
        return stream.ReadBytes(count, bytes_);
    }
    bool Save(ByteStream& stream, bool) override {
        stream.WriteUInt32(static_cast<uint32_t>(bytes_.size()));
        stream.Write(bytes_);
        return true;
    }
    uint64_t GetSizeMax() const override { return 4 + bytes_.size(); }

private:
    std::string bytes_;
};

// An empty text is saved as an absent string.
void WriteSaved(ByteStream& s, const Variant& value) {
    if (const std::u16string* text = value.IfString(); text != nullptr && text->empty()) {
        s.WriteUInt16(vt::kBstr);
        s.WriteNullBstr();
    } else {
        s.WriteTaggedValue(value);
    }
}

// Bytes WriteSaved may take for `value`.
uint64_t SavedSize(const Variant& value) {
    switch (value.Type()) {
        case VariantType::Bool:
        case VariantType::Int16:
            return 2 + 2;
        case VariantType::String:
            return 2 + 4 + 2 * value.IfString()->size() + 2;
        default:
            return 2 + 4;
    }
}

std::optional<Variant> Converted(const SavedProperty& p, const Variant& raw) {
    try {
        return p.convert(raw);
    } catch (const AutomationError&) {
        return std::nullopt;
    }
}

// The texts the property browser shows for the three values of Stretch and
// of Sequence, by value.
using ValueTexts = std::array<std::u16string_view, 3>;
constexpr ValueTexts kStretchTexts = {u"0 - No Stretch", u"1 - Stretch", u"2 - Proportional"};
constexpr ValueTexts kSequenceTexts = {u"0 - Normal Sequence", u"1 - Reverse Sequence",
                                       u"2 - Pingpong Sequence"};

const ValueTexts* BrowsedValueTexts(DispId id) {
    if (id == ids::kStretch) {
        return &kStretchTexts;
    }
    if (id == ids::kSequence) {
        return &kSequenceTexts;
    }
    return nullptr;
}

}  // namespace

// clang-format off
const PlimovaMembers& Plimova::MemberTable() {
    using P = Plimova;
    static const PlimovaMembers members = MemberTableBuilder()
        .Property("Frame", ids::kFrame, &P::Frame, &P::SetFrame)
        .Property("Frames", ids::kFrames, &P::Frames)
        .Property("Playing", ids::kPlaying, &P::Playing, &P::SetPlaying)
            .Flags(kHidden)
        .Saved<&P::Transparent, &P::SetTransparent>("Transparent", ids::kTransparent, 1)
        .Saved<&P::BackColor, &P::SetBackColor>("BackColor", ids::kBackColor, 0)
        .Property("GIF", ids::kGIF, &P::GIF, &P::SetGIF)
            .Flags(kBindable | kRequestEdit | kDisplayBind | kDefaultBind)
        .Property("GIFWidth", ids::kGIFWidth, &P::GIFWidth)
        .Property("GIFHeight", ids::kGIFHeight, &P::GIFHeight)
        .Saved<&P::Speed, &P::SetSpeed>("Speed", ids::kSpeed, 2)
        .Method("Play", ids::kPlay, &P::Play)
        .Method("Stop", ids::kStop, &P::Stop)
        .Method("ReadGIF", ids::kReadGIF, &P::ReadGIF)
        .Method("GetFrame", ids::kGetFrame, &P::GetFrame)
        .Saved<&P::Stretch, &P::SetStretch>("Stretch", ids::kStretch, 3)
        .Property("FrameWidth", ids::kFrameWidth, &P::FrameWidth)
        .Property("FrameHeight", ids::kFrameHeight, &P::FrameHeight)
        .Property("FrameLeft", ids::kFrameLeft, &P::FrameLeft)
        .Property("FrameTop", ids::kFrameTop, &P::FrameTop)
        .Saved<&P::AutoSize, &P::SetAutoSize>("AutoSize", ids::kAutoSize, 4)
        .Saved<&P::SequenceString, &P::SetSequenceString>("SequenceString",
                                                         ids::kSequenceString, 5)
        .Saved<&P::Sequence, &P::SetSequence>("Sequence", ids::kSequence, 6)
        .Property("hWnd", ids::kHwnd, &P::HWnd)
        .Method("AboutBox", ids::kAboutBox, &P::AboutBox)
        .Build();
    return members;
}
// clang-format on

// ---- IDispatchable ---------------------------------------------------------

std::optional<DispId> Plimova::GetIdOfName(std::string_view name) const {
    return MemberTable().dispatch.IdOfName(name);
}

Variant Plimova::Invoke(DispId id, InvokeKind kind, std::vector<Variant>& args) {
    return MemberTable().dispatch.Invoke(*this, id, kind, args);
}

std::vector<MemberInfo> Plimova::Members() const {
    return MemberTable().dispatch.Members();
}

// ---- persistence -----------------------------------------------------------

// Everything a load has read and checked; applied only once all of it is.
struct Plimova::Loaded {
    std::vector<std::optional<Variant>> saved;  // absent: keep the current value
    std::optional<std::u16string> gif;          // absent: no GIF
    Size extent;
};

void Plimova::ApplyLoaded(const Loaded& loaded) {
    const auto& saved = MemberTable().saved;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (loaded.saved[i]) {
            saved[i].apply(*this, *loaded.saved[i]);
        }
    }
    if (loaded.gif) {
        image_.LoadFromBytes(*loaded.gif);
    } else {
        image_.Clear();
    }
    AfterNewGif();
    SetExtent(loaded.extent);
    dirty_ = false;
}

bool Plimova::Load(ByteStream& s) {
    uint32_t version = 0;
    if (!s.ReadUInt32(version)) {
        return false;
    }
    std::optional<Size> leading;
    if (version <= ids::kStreamVersion) {
        int32_t cx = 0, cy = 0;
        if (!s.ReadInt32(cx) || !s.ReadInt32(cy)) {
            return false;
        }
        leading = Size{cx, cy};
    }
    Loaded loaded;
    for (const SavedProperty& p : MemberTable().saved) {
        Variant raw;
        if (!s.ReadTaggedValue(raw)) {
            return false;
        }
        loaded.saved.push_back(Converted(p, raw));
        if (!loaded.saved.back()) {
            return false;
        }
    }
    std::u16string gif;
    if (!s.ReadBstr(gif) || !s.ReadInt32(loaded.extent.cx) || !s.ReadInt32(loaded.extent.cy)) {
        return false;
    }
    loaded.gif = std::move(gif);
    if (leading) {
        extent_ = *leading;
    }
    ApplyLoaded(loaded);
    return true;
}

bool Plimova::Save(ByteStream& s, bool clearDirty) {
    s.WriteUInt32(ids::kStreamVersion);
    s.WriteInt32(extent_.cx);
    s.WriteInt32(extent_.cy);
    for (const SavedProperty& p : MemberTable().saved) {
        WriteSaved(s, p.read(*this));
    }
    if (const auto bytes = image_.Bytes()) {
        s.WriteBstr(*bytes);
    } else {
        s.WriteNullBstr();
    }
    s.WriteInt32(extent_.cx);
    s.WriteInt32(extent_.cy);
    if (clearDirty) {
        dirty_ = false;
    }
    return true;
}

uint64_t Plimova::GetSizeMax() const {
    uint64_t size = 4 + 8;
    for (const SavedProperty& p : MemberTable().saved) {
        size += SavedSize(p.read(*this));
    }
    return size + (4 + 2 * uint64_t{image_.RawBytes().size()} + 2) + 8;
}

bool Plimova::Load(IPropertyBag& bag) {
    Loaded loaded;
    Variant v;
    for (const SavedProperty& p : MemberTable().saved) {
        if (!bag.Read(p.name, v)) {
            loaded.saved.emplace_back();
            continue;
        }
        loaded.saved.push_back(Converted(p, v));
        if (!loaded.saved.back()) {
            return false;
        }
    }
    auto gif = std::make_shared<GifStreamObject>();
    Variant holder{ObjectPtr(gif)};
    if (bag.Read("GIF", holder)) {
        loaded.gif = WidenBytes(gif->Bytes());
    } else if (bag.Read("GIF", v)) {
        return false;  // present but unreadable
    }
    loaded.extent = extent_;
    try {
        if (bag.Read("ExtendWidth", v)) {
            loaded.extent.cx = v.ToInt32();
        }
        if (bag.Read("ExtendHeight", v)) {
            loaded.extent.cy = v.ToInt32();
        }
    } catch (const AutomationError&) {
        return false;
    }
    ApplyLoaded(loaded);
    return true;
}

bool Plimova::Save(IPropertyBag& bag, bool clearDirty, bool) {
    for (const SavedProperty& p : MemberTable().saved) {
        bag.Write(p.name, p.read(*this));
    }
    const auto raw = image_.RawBytes();
    auto gif = std::make_shared<GifStreamObject>(
        std::string(reinterpret_cast<const char*>(raw.data()), raw.size()));
    bag.Write("GIF", Variant(ObjectPtr(gif)));
    bag.Write("ExtendWidth", Variant(extent_.cx));
    bag.Write("ExtendHeight", Variant(extent_.cy));
    if (clearDirty) {
        dirty_ = false;
    }
    return true;
}

// ---- property browsing -----------------------------------------------------

std::optional<std::u16string> Plimova::DisplayString(DispId id) {
    if (id == ids::kGIF) {
        const int n = image_.FrameCount();
        return n == 0 ? u"No GIF" : n == 1 ? u"Still GIF" : u"Animation GIF";
    }
    if (const ValueTexts* texts = BrowsedValueTexts(id)) {
        const int value = id == ids::kStretch ? props_.stretch : props_.sequence;
        if (value >= 0 && value < static_cast<int>(texts->size())) {
            return std::u16string((*texts)[static_cast<std::size_t>(value)]);
        }
    }
    return std::nullopt;
}

std::vector<std::pair<std::u16string, Variant>> Plimova::PredefinedValues(DispId id) {
    std::vector<std::pair<std::u16string, Variant>> values;
    if (const ValueTexts* texts = BrowsedValueTexts(id)) {
        for (int16_t i = 0; i < static_cast<int16_t>(texts->size()); ++i) {
            values.emplace_back(std::u16string((*texts)[static_cast<std::size_t>(i)]), Variant(i));
        }
    }
    return values;
}

std::optional<Clsid> Plimova::PropertyPage(DispId id) {
    if (id == ids::kGIF) {
        return ids::kPageClsid;
    }
    return std::nullopt;
}

std::vector<Clsid> Plimova::Pages() const {
    return {ids::kPageClsid};
}

}  // namespace plimova
