#include <gtest/gtest.h>

#include "automation/persist.h"

namespace vantry::automation {
namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

TEST(ByteStream, IntegersAreLittleEndian) {
    ByteStream s;
    s.WriteUInt32(0x200);
    s.WriteInt32(-2);
    s.WriteInt16(0x1234);
    s.WriteUInt16(0xFFFE);
    EXPECT_EQ(s.ToString(),
              Bytes({0x00, 0x02, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0xFE, 0xFF}));
    ASSERT_TRUE(s.Seek(0));
    uint32_t u;
    int32_t i;
    int16_t h;
    uint16_t w;
    ASSERT_TRUE(s.ReadUInt32(u) && s.ReadInt32(i) && s.ReadInt16(h) && s.ReadUInt16(w));
    EXPECT_EQ(u, 0x200u);
    EXPECT_EQ(i, -2);
    EXPECT_EQ(h, 0x1234);
    EXPECT_EQ(w, 0xFFFE);
    EXPECT_EQ(s.Remaining(), 0u);
    EXPECT_FALSE(s.ReadUInt16(w));
    EXPECT_FALSE(s.Seek(13));
}

TEST(ByteStream, ShortReadsTakeNothing) {
    ByteStream s = ByteStream::FromString(Bytes({1, 2, 3}));
    uint32_t u = 77;
    EXPECT_FALSE(s.ReadUInt32(u));
    EXPECT_EQ(u, 77u);
    EXPECT_EQ(s.Position(), 0u);
    std::string out;
    EXPECT_FALSE(s.ReadBytes(4, out));
    EXPECT_TRUE(s.ReadBytes(3, out));
    EXPECT_EQ(out, Bytes({1, 2, 3}));
}

TEST(ByteStream, WritesOverwriteFromThePosition) {
    ByteStream s = ByteStream::FromString("abcdef");
    s.Seek(4);
    s.Write("XYZ");
    EXPECT_EQ(s.ToString(), "abcdXYZ");
    s.Seek(1);
    s.Write("-");
    EXPECT_EQ(s.ToString(), "a-cdXYZ");
}

TEST(ByteStream, AutomationStringLayout) {
    ByteStream s;
    s.WriteBstr(u"Hi");
    EXPECT_EQ(s.ToString(), Bytes({6, 0, 0, 0, 'H', 0, 'i', 0, 0, 0}));
    s.WriteNullBstr();
    s.WriteBstr(u"");
    s.Seek(0);
    std::u16string a, b, c;
    ASSERT_TRUE(s.ReadBstr(a));
    ASSERT_TRUE(s.ReadBstr(b));
    ASSERT_TRUE(s.ReadBstr(c));
    EXPECT_EQ(a, u"Hi");
    EXPECT_EQ(b, u"");
    EXPECT_EQ(c, u"");
    // Embedded zeros and units above 0xFF survive.
    ByteStream t;
    const std::u16string odd(u"a\0\u20ac", 3);
    t.WriteBstr(odd);
    t.Seek(0);
    std::u16string back;
    ASSERT_TRUE(t.ReadBstr(back));
    EXPECT_EQ(back, odd);
}

TEST(ByteStream, MalformedAutomationStringsAreRefused) {
    const std::string cases[] = {
        Bytes({5, 0, 0, 0, 'a', 0, 'b', 0, 0}),         // odd count
        Bytes({8, 0, 0, 0, 'a', 0, 0, 0}),              // count past the end
        Bytes({4, 0, 0, 0, 'a', 0, 'b', 0}),            // no terminator
        Bytes({0xF0, 0xFF, 0xFF, 0xFF, 'a', 0, 0, 0}),  // huge count, nothing behind it
        Bytes({6, 0, 0}),                               // short count
    };
    for (const std::string& bytes : cases) {
        ByteStream s = ByteStream::FromString(bytes);
        std::u16string out = u"unchanged";
        EXPECT_FALSE(s.ReadBstr(out));
        EXPECT_EQ(out, u"unchanged");
        EXPECT_EQ(s.Position(), 0u);
    }
}

TEST(ByteStream, TaggedValues) {
    ByteStream s;
    ASSERT_TRUE(s.WriteTaggedValue(Variant(true)));
    ASSERT_TRUE(s.WriteTaggedValue(Variant(int16_t{-2})));
    ASSERT_TRUE(s.WriteTaggedValue(Variant(OleColor{12632256})));
    EXPECT_EQ(s.ToString(),
              Bytes({11, 0, 0xFF, 0xFF, 2, 0, 0xFE, 0xFF, 19, 0, 0xC0, 0xC0, 0xC0, 0}));
    ASSERT_TRUE(s.WriteTaggedValue(Variant(int32_t{-70000})));
    ASSERT_TRUE(s.WriteTaggedValue(Variant(u"1,2")));
    ASSERT_TRUE(s.WriteTaggedValue(Variant()));
    ASSERT_TRUE(s.WriteTaggedValue(Variant(false)));
    const size_t size = s.Size();
    EXPECT_FALSE(s.WriteTaggedValue(Variant(std::make_shared<Object>())));
    EXPECT_EQ(s.Size(), size) << "an object writes nothing";

    s.Seek(0);
    const Variant expected[] = {Variant(true),
                                Variant(int16_t{-2}),
                                Variant(OleColor{12632256}),
                                Variant(int32_t{-70000}),
                                Variant(u"1,2"),
                                Variant(),
                                Variant(false)};
    for (const Variant& e : expected) {
        Variant v;
        ASSERT_TRUE(s.ReadTaggedValue(v));
        EXPECT_EQ(v, e);
    }
    Variant v;
    EXPECT_FALSE(s.ReadTaggedValue(v));
}

TEST(ByteStream, UnknownOrShortTaggedValuesAreRefused) {
    for (const std::string& bytes :
         {Bytes({9, 0, 1, 2, 3, 4}), Bytes({0x44, 0x44}), Bytes({3, 0, 1, 2}), Bytes({11})}) {
        ByteStream s = ByteStream::FromString(bytes);
        Variant v = int16_t{5};
        EXPECT_FALSE(s.ReadTaggedValue(v));
        EXPECT_EQ(v, Variant(int16_t{5}));
        EXPECT_EQ(s.Position(), 0u);
    }
}

TEST(ByteStream, ArchiveStringLengthForms) {
    struct Case {
        size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {0, Bytes({0})},
        {0xFE, Bytes({0xFE})},
        {0xFF, Bytes({0xFF, 0xFF, 0})},
        {0xFFFE, Bytes({0xFF, 0xFE, 0xFF})},
        {0xFFFF, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0})},
    };
    for (const Case& c : cases) {
        ByteStream s;
        const std::string text(c.length, 'x');
        s.WriteArchiveString(text);
        EXPECT_EQ(s.ToString().substr(0, c.prefix.size()), c.prefix) << c.length;
        EXPECT_EQ(s.Size(), c.prefix.size() + c.length);
        s.Seek(0);
        std::string back;
        ASSERT_TRUE(s.ReadArchiveString(back));
        EXPECT_EQ(back, text);
    }
    for (const std::string& bad : {Bytes({3, 'a', 'b'}), Bytes({0xFF, 0x05}),
                                   Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})}) {
        ByteStream s = ByteStream::FromString(bad);
        std::string out;
        EXPECT_FALSE(s.ReadArchiveString(out));
        EXPECT_EQ(s.Position(), 0u);
    }
}

// An object that persists one number, like a control's embedded picture.
class Blob : public IPersistStreamInit {
public:
    static constexpr Clsid kClsid = MakeGuid("{F6F07540-42EC-11CE-8135-00AA004BB851}");
    Clsid GetClassId() const override { return kClsid; }
    bool IsDirty() const override { return true; }
    bool InitNew() override {
        value = 0;
        return true;
    }
    bool Load(ByteStream& s) override { return s.ReadUInt32(value) && s.Remaining() == 0; }
    bool Save(ByteStream& s, bool) override {
        s.WriteUInt32(value);
        return true;
    }
    uint64_t GetSizeMax() const override { return 4; }
    uint32_t value = 0;
};

TEST(PropertyBag, NamesMatchIgnoringCaseAndKeepFirstSpelling) {
    PropertyBag bag;
    EXPECT_TRUE(bag.Write("BackColor", Variant(OleColor{1})));
    EXPECT_TRUE(bag.Write("Speed", Variant(int16_t{2})));
    EXPECT_TRUE(bag.Write("backcolor", Variant(OleColor{3})));
    EXPECT_EQ(bag.Names(), (std::vector<std::string>{"BackColor", "Speed"}));
    Variant v;
    ASSERT_TRUE(bag.Read("BACKCOLOR", v));
    EXPECT_EQ(v, Variant(OleColor{3}));
    Variant untouched = int16_t{9};
    EXPECT_FALSE(bag.Read("Missing", untouched));
    EXPECT_EQ(untouched, Variant(int16_t{9}));
    EXPECT_TRUE(bag.Contains("speed"));
    bag.Clear();
    EXPECT_FALSE(bag.Contains("speed"));
}

TEST(PropertyBag, ObjectsAreSavedWhenWritten) {
    PropertyBag bag;
    auto blob = std::make_shared<Blob>();
    blob->value = 41;
    ASSERT_TRUE(bag.Write("GIF", Variant(blob)));
    blob->value = 99;  // later changes do not reach the bag

    // Reading with no object hands back the saved class and bytes.
    Variant raw;
    ASSERT_TRUE(bag.Read("gif", raw));
    auto saved = std::dynamic_pointer_cast<SavedObject>(raw.ToObject());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->GetClassId(), Blob::kClsid);
    EXPECT_EQ(saved->Bytes(), Bytes({41, 0, 0, 0}));

    // Reading into an object loads it.
    auto target = std::make_shared<Blob>();
    Variant into(target);
    ASSERT_TRUE(bag.Read("GIF", into));
    EXPECT_EQ(target->value, 41u);

    // An object that cannot save itself is refused.
    EXPECT_FALSE(bag.Write("Other", Variant(std::make_shared<Object>())));
    EXPECT_FALSE(bag.Contains("Other"));
}

TEST(PropertyBag, LoadFailureOfAStoredObjectIsReported) {
    PropertyBag bag;
    ASSERT_TRUE(bag.Write("GIF", Variant(std::make_shared<SavedObject>(Blob::kClsid, "ab"))));
    auto target = std::make_shared<Blob>();
    Variant into(target);
    EXPECT_FALSE(bag.Read("GIF", into)) << "two bytes are not a whole count";
    // A plain value read into an object slot replaces it.
    bag.Write("Plain", Variant(int16_t{1}));
    ASSERT_TRUE(bag.Read("Plain", into));
    EXPECT_EQ(into, Variant(int16_t{1}));
}

}  // namespace
}  // namespace vantry::automation
