// Saving and loading the control: the stream's exact bytes, the property
// bag's names and GIF object, round trips and damaged input.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "automation/persist.h"
#include "control/plimova.h"
#include "control/plimova_ids.h"
#include "control/tests/fake_site.h"
#include "engine/tests/gif_builder.h"

namespace plimova {
namespace {

using namespace vantry::automation;
using test::GifBuilder;

std::string Bytes(const GifBuilder& b) {
    return std::string(b.Data().begin(), b.Data().end());
}

GifBuilder SixFrames() {
    GifBuilder b(3, 2);
    for (int i = 0; i < 6; ++i) {
        b.Control(0, 4).Image(test::Solid(0, 0, 3, 2, static_cast<std::uint8_t>(i % 4)));
    }
    b.Trailer();
    return b;
}

// Little-endian pieces of an expected stream.
struct Expect {
    std::string s;
    Expect& U16(unsigned v) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>((v >> 8) & 0xFF));
        return *this;
    }
    Expect& U32(uint32_t v) {
        U16(v & 0xFFFF);
        return U16(v >> 16);
    }
    Expect& Str(const std::string& latin1) {  // count, UTF-16LE units, terminator
        U32(static_cast<uint32_t>(2 * latin1.size() + 2));
        for (unsigned char c : latin1) {
            U16(c);
        }
        return U16(0);
    }
    // The saved properties in stream order, each behind its type tag; an
    // absent sequence string is a count of zero. Unnamed ones are the
    // control's defaults.
    struct Properties {
        uint32_t backColor = 12632256;
        bool transparent = true;
        unsigned speed = 1;
        unsigned stretch = 0;
        bool autoSize = false;
        std::optional<std::string> sequenceString = std::nullopt;
        unsigned sequence = 0;
    };
    Expect& Saved(const Properties& p) {
        U16(vt::kUI4).U32(p.backColor);
        U16(vt::kBool).U16(p.transparent ? 0xFFFF : 0);
        U16(vt::kI2).U16(p.speed);
        U16(vt::kI2).U16(p.stretch);
        U16(vt::kBool).U16(p.autoSize ? 0xFFFF : 0);
        U16(vt::kBstr);
        if (p.sequenceString) {
            Str(*p.sequenceString);
        } else {
            U32(0);
        }
        return U16(vt::kI2).U16(p.sequence);
    }
};

void Configure(Plimova& c, const GifBuilder& gif) {
    c.SetExtent(Size{2000, 1500});
    c.SetBackColor(OleColor{0x00FF8040});
    c.SetTransparent(false);
    c.SetSpeed(4);
    c.SetStretch(2);
    c.SetAutoSize(true);
    c.SetSequenceString(u"1,2");
    c.SetSequence(3);
    ASSERT_TRUE(c.SetGIF(WidenBytes(Bytes(gif))));
}

// The stream of a control set up by Configure with SixFrames; empty when the
// save fails.
std::string ConfiguredStream() {
    Plimova a;
    Configure(a, SixFrames());
    ByteStream s;
    return a.Save(s, false) ? s.ToString() : std::string();
}

bool LoadStream(Plimova& c, const std::string& bytes) {
    ByteStream in = ByteStream::FromString(bytes);
    return c.Load(in);
}

// The GIF object of a property bag: a byte count, then the bytes.
Variant GifObject(uint32_t count, const std::string& bytes) {
    Expect e;
    e.U32(count);
    return Variant(std::make_shared<SavedObject>(ids::kGifStreamClsid, e.s + bytes));
}

TEST(PlimovaStream, SavesTheExactLayout) {
    Plimova c;
    const GifBuilder gif = SixFrames();
    Configure(c, gif);
    EXPECT_TRUE(c.IsDirty());
    ByteStream s;
    ASSERT_TRUE(c.Save(s, true));
    EXPECT_FALSE(c.IsDirty());

    Expect e;
    e.U32(0x200).U32(2000).U32(1500);
    e.Saved({.backColor = 0x00FF8040,
             .transparent = false,
             .speed = 4,
             .stretch = 2,
             .autoSize = true,
             .sequenceString = "1,2",
             .sequence = 3});
    e.Str(Bytes(gif));
    e.U32(2000).U32(1500);
    EXPECT_EQ(s.ToString(), e.s);
    EXPECT_GE(c.GetSizeMax(), e.s.size());
}

TEST(PlimovaStream, AbsentStringsAreCountZero) {
    Plimova c;
    c.SetExtent(Size{100, 200});
    ByteStream s;
    ASSERT_TRUE(c.Save(s, false));
    Expect e;
    e.U32(0x200).U32(100).U32(200);
    e.Saved({});
    e.U32(0);
    e.U32(100).U32(200);
    EXPECT_EQ(s.ToString(), e.s);
}

TEST(PlimovaStream, RoundTripRestoresPropertiesAndStartsAtFrameZero) {
    Plimova a;
    const GifBuilder gif = SixFrames();
    Configure(a, gif);
    a.SetSequence(0);
    a.Stop();
    a.SetFrame(5);
    ByteStream s;
    ASSERT_TRUE(a.Save(s, true));

    test::FakeSite site;
    Plimova b;
    b.SetClientSite(&site);
    s.Seek(0);
    ASSERT_TRUE(b.Load(s));
    EXPECT_EQ(b.Extent(), (Size{2000, 1500}));
    EXPECT_EQ(b.BackColor().value, 0x00FF8040u);
    EXPECT_FALSE(b.Transparent());
    EXPECT_EQ(b.Speed(), 4);
    EXPECT_EQ(b.Stretch(), 2);
    EXPECT_TRUE(b.AutoSize());
    EXPECT_EQ(b.SequenceString(), u"1,2");
    EXPECT_EQ(b.SequenceList(), (std::vector<int16_t>{1, 2}));
    EXPECT_EQ(b.Sequence(), 0);
    EXPECT_EQ(b.GIF(), WidenBytes(Bytes(gif)));
    EXPECT_EQ(b.Frames(), 6);
    EXPECT_EQ(b.Frame(), 0);
    EXPECT_TRUE(b.Playing());
    EXPECT_FALSE(b.IsDirty());
    EXPECT_GT(site.invalidations, 0);

    // Saving the loaded control gives the same bytes.
    ByteStream again;
    ASSERT_TRUE(b.Save(again, true));
    EXPECT_EQ(again.ToString(), s.ToString());
}

TEST(PlimovaStream, NewerVersionSkipsTheLeadingExtent) {
    Plimova a;
    a.SetExtent(Size{300, 400});
    a.SetSpeed(7);
    ByteStream s;
    ASSERT_TRUE(a.Save(s, false));
    std::string bytes = s.ToString();
    // Version 0x201 and no leading extent.
    bytes = std::string("\x01\x02\x00\x00", 4) + bytes.substr(12);
    Plimova b;
    ASSERT_TRUE(LoadStream(b, bytes));
    EXPECT_EQ(b.Speed(), 7);
    EXPECT_EQ(b.Extent(), (Size{300, 400}));
}

TEST(PlimovaStream, DamagedStreamsFailWithoutHarm) {
    const std::string bytes = ConfiguredStream();
    ASSERT_FALSE(bytes.empty());
    for (std::size_t cut = 0; cut < bytes.size(); cut += (cut < 60 ? 1 : 97)) {
        Plimova b;
        EXPECT_FALSE(LoadStream(b, bytes.substr(0, cut))) << cut;
    }
    // A wrong type tag where a number belongs.
    std::string wrong = bytes;
    wrong[12] = 0x7F;
    Plimova c;
    EXPECT_FALSE(LoadStream(c, wrong));
    // GIF bytes that are no GIF: the control is empty, the load goes on.
    Expect e;
    e.U32(0x200).U32(1).U32(1);
    e.Saved({.backColor = 0, .transparent = false});
    e.Str("GIF89a garbage").U32(5).U32(6);
    Plimova d;
    EXPECT_TRUE(LoadStream(d, e.s));
    EXPECT_EQ(d.Frames(), 0);
    EXPECT_EQ(d.Extent(), (Size{5, 6}));
}

TEST(PlimovaStream, FailedLoadChangesNothing) {
    const std::string bytes = ConfiguredStream();
    ASSERT_FALSE(bytes.empty());
    // Cut in the trailing extent, after every property and the GIF were read.
    Plimova b;
    b.SetSpeed(9);
    b.SetExtent(Size{10, 20});
    EXPECT_FALSE(LoadStream(b, bytes.substr(0, bytes.size() - 2)));
    EXPECT_EQ(b.Speed(), 9);
    EXPECT_TRUE(b.Transparent());
    EXPECT_EQ(b.SequenceString(), u"");
    EXPECT_EQ(b.Frames(), 0);
    EXPECT_EQ(b.Extent(), (Size{10, 20}));
}

// ---- property bag ------------------------------------------------------------

// A control set up by Configure and saved into a property bag.
class PlimovaSavedBag : public ::testing::Test {
protected:
    void SetUp() override {
        Configure(a, gif);
        ASSERT_TRUE(a.Save(bag, true, true));
    }

    Plimova a;
    const GifBuilder gif = SixFrames();
    PropertyBag bag;
};

TEST_F(PlimovaSavedBag, SavesNamedValuesAndTheGifAsAnObject) {
    EXPECT_FALSE(a.IsDirty());
    EXPECT_EQ(bag.Names(), (std::vector<std::string>{"BackColor", "Transparent", "Speed", "Stretch",
                                                     "AutoSize", "SequenceString", "Sequence",
                                                     "GIF", "ExtendWidth", "ExtendHeight"}));
    Variant v;
    ASSERT_TRUE(bag.Read("GIF", v));
    auto saved = std::dynamic_pointer_cast<SavedObject>(v.ToObject());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->GetClassId(), ids::kGifStreamClsid);
    Expect count;
    count.U32(static_cast<uint32_t>(gif.Data().size()));
    EXPECT_EQ(saved->Bytes(), count.s + Bytes(gif));
    ASSERT_TRUE(bag.Read("ExtendWidth", v));
    EXPECT_EQ(v, Variant(int32_t{2000}));
    ASSERT_TRUE(bag.Read("BackColor", v));
    EXPECT_EQ(v, Variant(OleColor{0x00FF8040}));
    ASSERT_TRUE(bag.Read("Speed", v));
    EXPECT_EQ(v, Variant(int16_t{4}));
}

TEST_F(PlimovaSavedBag, RoundTrip) {
    Plimova b;
    ASSERT_TRUE(b.Load(bag));
    EXPECT_EQ(b.GIF(), WidenBytes(Bytes(gif)));
    EXPECT_EQ(b.Frames(), 6);
    EXPECT_EQ(b.Sequence(), 3);
    EXPECT_EQ(b.SequenceString(), u"1,2");
    EXPECT_EQ(b.Frame(), 1) << "sequence 3 starts at position 0 of the list";
    EXPECT_EQ(b.Extent(), (Size{2000, 1500}));
    EXPECT_FALSE(b.Transparent());
    EXPECT_TRUE(b.AutoSize());
    EXPECT_FALSE(b.IsDirty());
}

TEST(PlimovaBag, GifObjectMustHoldAsManyBytesAsItsCountSays) {
    PropertyBag bag;
    const GifBuilder gif = SixFrames();
    bag.Write("GIF", GifObject(static_cast<uint32_t>(gif.Data().size() + 1), Bytes(gif)));
    Plimova c;
    EXPECT_FALSE(c.Load(bag));
    EXPECT_EQ(c.Frames(), 0);

    PropertyBag good;
    good.Write("GIF", GifObject(static_cast<uint32_t>(gif.Data().size()), Bytes(gif)));
    ASSERT_TRUE(c.Load(good));
    EXPECT_EQ(c.Frames(), 6);
}

TEST(PlimovaBag, MissingNamesKeepTheDefaults) {
    PropertyBag bag;
    bag.Write("Speed", Variant(int16_t{3}));
    Plimova c;
    ASSERT_TRUE(c.Load(bag));
    EXPECT_EQ(c.Speed(), 3);
    EXPECT_TRUE(c.Transparent());
    EXPECT_EQ(c.BackColor().value, 12632256u);
    EXPECT_EQ(c.Frames(), 0);
}

TEST(PlimovaBag, FailedLoadChangesNothing) {
    Plimova c;
    Configure(c, SixFrames());
    PropertyBag bag;
    bag.Write("Speed", Variant(int16_t{3}));
    bag.Write("Sequence", Variant(int32_t{70000}));  // no 16-bit number
    EXPECT_FALSE(c.Load(bag));
    EXPECT_EQ(c.Speed(), 4);
    EXPECT_EQ(c.Sequence(), 3);
    EXPECT_EQ(c.Frames(), 6);

    PropertyBag unreadableGif;
    unreadableGif.Write("Speed", Variant(int16_t{3}));
    unreadableGif.Write("GIF", GifObject(1000, ""));  // more than follow
    EXPECT_FALSE(c.Load(unreadableGif));
    EXPECT_EQ(c.Speed(), 4);
    EXPECT_EQ(c.Frames(), 6);
}

TEST(PlimovaPersist, InitNewRestoresDefaults) {
    Plimova c;
    Configure(c, SixFrames());
    ASSERT_TRUE(c.InitNew());
    EXPECT_EQ(c.Frames(), 0);
    EXPECT_EQ(c.Speed(), 1);
    EXPECT_TRUE(c.Transparent());
    EXPECT_EQ(c.SequenceString(), u"");
    EXPECT_FALSE(c.IsDirty());
    EXPECT_EQ(c.GetClassId(), ids::kClsid);
}

}  // namespace
}  // namespace plimova
