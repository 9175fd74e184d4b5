#include <gtest/gtest.h>

#include "automation/error.h"
#include "automation/guid.h"
#include "automation/tests/error_number.h"
#include "automation/variant.h"

namespace vantry::automation {
namespace {

TEST(VariantCoercion, NumbersConvertWithRangeChecks) {
    EXPECT_EQ(Variant(int32_t{-32768}).ToInt16(), -32768);
    EXPECT_EQ(ErrorNumberOf([] { Variant(int32_t{32768}).ToInt16(); }), errors::kOverflow);
    EXPECT_EQ(ErrorNumberOf([] { Variant(int32_t{-32769}).ToInt16(); }), errors::kOverflow);
    EXPECT_EQ(Variant(int16_t{-5}).ToInt32(), -5);
    EXPECT_EQ(Variant(true).ToInt16(), -1);
    EXPECT_EQ(Variant(false).ToInt32(), 0);
    EXPECT_TRUE(Variant(int16_t{2}).ToBool());
    EXPECT_FALSE(Variant(int32_t{0}).ToBool());
}

TEST(VariantCoercion, EmptyReadsAsZeroFalseAndEmptyText) {
    const Variant e;
    EXPECT_TRUE(e.IsEmpty());
    EXPECT_EQ(e.ToInt16(), 0);
    EXPECT_EQ(e.ToInt32(), 0);
    EXPECT_FALSE(e.ToBool());
    EXPECT_EQ(e.ToString(), u"");
    EXPECT_EQ(e.ToColor(), OleColor{0});
    EXPECT_EQ(ErrorNumberOf([&] { e.ToObject(); }), errors::kTypeMismatch);
}

TEST(VariantCoercion, StringsParseAsAHostWould) {
    EXPECT_EQ(Variant(u"  -12 ").ToInt16(), -12);
    EXPECT_EQ(Variant(u"+7").ToInt32(), 7);
    // Fractions round half to even.
    EXPECT_EQ(Variant(u"2.5").ToInt16(), 2);
    EXPECT_EQ(Variant(u"3.5").ToInt16(), 4);
    EXPECT_EQ(Variant(u"-2.5").ToInt16(), -2);
    EXPECT_EQ(Variant(u"2.51").ToInt16(), 3);
    EXPECT_EQ(Variant(u"0.4").ToInt16(), 0);
    EXPECT_EQ(Variant(u"&HFF").ToInt16(), 255);
    EXPECT_EQ(Variant(u"&o17").ToInt16(), 15);
    EXPECT_EQ(Variant(u"&HFFFFFFFF").ToInt32(), -1);
    EXPECT_EQ(ErrorNumberOf([] { Variant(u"&H1FFFFFFFF").ToInt32(); }), errors::kOverflow);
    EXPECT_EQ(ErrorNumberOf([] { Variant(u"99999999999999999999").ToInt32(); }), errors::kOverflow);
    EXPECT_EQ(ErrorNumberOf([] { Variant(u"40000").ToInt16(); }), errors::kOverflow);
    for (const char16_t* bad : {u"", u"  ", u"abc", u"12abc", u"-", u"&H", u"&HG", u"1.2.3"}) {
        EXPECT_EQ(ErrorNumberOf([bad] { Variant(bad).ToInt32(); }), errors::kTypeMismatch)
            << Utf8(bad);
    }
    EXPECT_TRUE(Variant(u"TRUE").ToBool());
    EXPECT_FALSE(Variant(u" false ").ToBool());
    EXPECT_TRUE(Variant(u"3").ToBool());
    EXPECT_EQ(ErrorNumberOf([] { Variant(u"yes").ToBool(); }), errors::kTypeMismatch);
}

TEST(VariantCoercion, ColourKeepsAll32Bits) {
    const OleColor system{0x8000000Fu};
    EXPECT_EQ(Variant(system).ToInt32(), static_cast<int32_t>(0x8000000Fu));
    EXPECT_EQ(Variant(static_cast<int32_t>(0x8000000Fu)).ToColor(), system);
    EXPECT_EQ(Variant(u"&H8000000F").ToColor(), system);
    EXPECT_EQ(Variant(u"12632256").ToColor(), OleColor{12632256});
    EXPECT_EQ(Variant(OleColor{12632256}).ToString(), u"12632256");
    EXPECT_EQ(ErrorNumberOf([] { Variant(OleColor{12632256}).ToInt16(); }), errors::kOverflow);
}

TEST(VariantCoercion, TextForms) {
    EXPECT_EQ(Variant(true).ToString(), u"True");
    EXPECT_EQ(Variant(false).ToString(), u"False");
    EXPECT_EQ(Variant(int16_t{-3}).ToString(), u"-3");
    EXPECT_EQ(Variant(int32_t{100000}).ToUtf8(), "100000");
    EXPECT_EQ(Variant("grüß").ToString(), u"grüß");
    EXPECT_EQ(ErrorNumberOf([] { Variant::Nothing().ToString(); }), errors::kTypeMismatch);
}

TEST(VariantCoercion, ObjectsOnlyFromObjects) {
    auto obj = std::make_shared<Object>();
    Variant v(obj);
    EXPECT_EQ(v.Type(), VariantType::Object);
    EXPECT_EQ(v.ToObject(), obj);
    EXPECT_EQ(Variant::Nothing().ToObject(), nullptr);
    EXPECT_EQ(ErrorNumberOf([] { Variant(int16_t{1}).ToObject(); }), errors::kTypeMismatch);
    EXPECT_EQ(ErrorNumberOf([&] { v.ToInt32(); }), errors::kTypeMismatch);
    EXPECT_EQ(Variant(obj), Variant(obj));
    EXPECT_FALSE(Variant(obj) == Variant(std::make_shared<Object>()));
}

TEST(VariantCoercion, ChangeTypeGivesTheTargetType) {
    EXPECT_EQ(ChangeType(Variant(u"42"), VariantType::Int16), Variant(int16_t{42}));
    EXPECT_EQ(ChangeType(Variant(int16_t{42}), VariantType::String), Variant(u"42"));
    EXPECT_EQ(ChangeType(Variant(int32_t{1}), VariantType::Bool), Variant(true));
    EXPECT_TRUE(ChangeType(Variant(u"x"), VariantType::Empty).IsEmpty());
    EXPECT_EQ(ErrorNumberOf([] { ChangeType(Variant(u"x"), VariantType::Int16); }),
              errors::kTypeMismatch);
    EXPECT_EQ(TypeName(VariantType::Int16), "Integer");
    EXPECT_EQ(TypeName(VariantType::Color), "OLE_COLOR");
}

TEST(TextConversion, Utf8RoundTripsAndRepairsBadInput) {
    const std::u16string text = u"a\u00e9\u20ac\U0001F600z";
    EXPECT_EQ(FromUtf8(Utf8(text)), text);
    EXPECT_EQ(Utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    // Truncated, overlong, stray continuation and surrogate encodings.
    EXPECT_EQ(FromUtf8("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(FromUtf8("\x80x"), u"\uFFFDx");
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");
    EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD");
    // A lone surrogate cannot be written as UTF-8.
    EXPECT_EQ(Utf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8(std::u16string(1, char16_t{0xDC00}) + u"x"), "\xEF\xBF\xBDx");
}

TEST(TextConversion, BytesSurviveWidening) {
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<char>(i));
    }
    const std::u16string wide = WidenBytes(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[255], 0xFF);
    EXPECT_EQ(NarrowBytes(wide), all);
    EXPECT_EQ(NarrowBytes(u"a\u0100b"), "a?b");
}

TEST(GuidText, ParsesBracedFormOnly) {
    constexpr Guid g = MakeGuid("{82351441-9094-11D1-A24B-00A0C932C7DF}");
    EXPECT_EQ(g.data1, 0x82351441u);
    EXPECT_EQ(g.data2, 0x9094);
    EXPECT_EQ(g.data3, 0x11D1);
    EXPECT_EQ(g.data4[0], 0xA2);
    EXPECT_EQ(g.data4[7], 0xDF);
    EXPECT_EQ(g.ToString(), "{82351441-9094-11D1-A24B-00A0C932C7DF}");
    EXPECT_EQ(Guid::Parse("{82351441-9094-11d1-a24b-00a0c932c7df}"), g);
    EXPECT_FALSE(Guid::Parse("82351441-9094-11D1-A24B-00A0C932C7DF"));
    EXPECT_FALSE(Guid::Parse("{82351441-9094-11D1-A24B-00A0C932C7DG}"));
    EXPECT_FALSE(Guid::Parse("{82351441-9094-11D1-A24B00A0C932C7DF0}"));
    EXPECT_FALSE(Guid::Parse("{82351441-9094-11D1-A24B-00A0C932C7DF}x"));
    EXPECT_FALSE(Guid::Parse(""));
    EXPECT_TRUE(Guid().IsNull());
    EXPECT_FALSE(g.IsNull());
}

TEST(AutomationErrorCodes, ControlFacilityResult) {
    const AutomationError e(errors::kBadPropertyValue, "Bad property value.");
    EXPECT_EQ(e.Number(), 380);
    EXPECT_EQ(e.Description(), "Bad property value.");
    EXPECT_STREQ(e.what(), "Bad property value.");
    EXPECT_EQ(static_cast<uint32_t>(e.HResult()), 0x800A017Cu);
    EXPECT_EQ(static_cast<uint32_t>(AutomationError(10061 + 15001).HResult()), 0x800A61E6u);
    EXPECT_EQ(static_cast<uint32_t>(AutomationError(20302).HResult()), 0x800A4F4Eu);
    EXPECT_EQ(AutomationError(errors::kMemberNotFound).Description(),
              "Object doesn't support this property or method");
    EXPECT_EQ(AutomationError(31999).Description(), "Automation error");
}

}  // namespace
}  // namespace vantry::automation
