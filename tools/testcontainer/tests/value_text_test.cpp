// Reading typed values back and the texts the log shows.

#include <gtest/gtest.h>

#include "automation/picture.h"
#include "testcontainer/tests/qstring_print.h"
#include "testcontainer/value_text.h"

namespace testcontainer {
namespace {

using namespace vantry::automation;

int32_t ErrorOf(const QString& text, VariantType type) {
    try {
        ParseValue(text, type);
    } catch (const AutomationError& e) {
        return e.Number();
    }
    return 0;
}

TEST(ParseValue, ReadsEachTypeAsTheControlExpectsIt) {
    EXPECT_EQ(ParseValue(QStringLiteral("&H00C0C0C0&"), VariantType::Color),
              Variant(OleColor{0xC0C0C0}));
    EXPECT_EQ(ParseValue(QStringLiteral(" &hff "), VariantType::Color), Variant(OleColor{0xFF}));
    // System colours have the top bit set and must not overflow.
    EXPECT_EQ(ParseValue(QStringLiteral("&H8000000F&"), VariantType::Color),
              Variant(OleColor{0x8000000F}));
    EXPECT_EQ(ParseValue(QStringLiteral("12632256"), VariantType::Color),
              Variant(OleColor{12632256}));
    EXPECT_EQ(ParseValue(QStringLiteral("true"), VariantType::Bool), Variant(true));
    EXPECT_EQ(ParseValue(QStringLiteral("0"), VariantType::Bool), Variant(false));
    EXPECT_EQ(ParseValue(QStringLiteral("-7"), VariantType::Int16), Variant(int16_t{-7}));
    EXPECT_EQ(ParseValue(QStringLiteral("70000"), VariantType::Int32), Variant(int32_t{70000}));
    // Strings are taken as typed, blanks and commas included.
    EXPECT_EQ(ParseValue(QStringLiteral(" 2,,0, 7 "), VariantType::String), Variant(u" 2,,0, 7 "));
    EXPECT_EQ(ParseValue(QString(), VariantType::String), Variant(u""));
    EXPECT_EQ(ParseValue(QStringLiteral("nothing"), VariantType::Object), Variant::Nothing());
}

TEST(ParseValue, RejectsWhatDoesNotFit) {
    EXPECT_EQ(ErrorOf(QStringLiteral("abc"), VariantType::Int16), errors::kTypeMismatch);
    EXPECT_EQ(ErrorOf(QStringLiteral("40000"), VariantType::Int16), errors::kOverflow);
    EXPECT_EQ(ErrorOf(QStringLiteral("maybe"), VariantType::Bool), errors::kTypeMismatch);
    EXPECT_EQ(ErrorOf(QStringLiteral("&H"), VariantType::Color), errors::kTypeMismatch);
    EXPECT_EQ(ErrorOf(QStringLiteral("&"), VariantType::Color), errors::kTypeMismatch);
    EXPECT_EQ(ErrorOf(QStringLiteral("picture"), VariantType::Object), errors::kTypeMismatch);
}

TEST(ParseValue, GuessesForMembersOfAnyType) {
    EXPECT_EQ(ParseValue(QStringLiteral(" 42 "), VariantType::Empty), Variant(int32_t{42}));
    EXPECT_EQ(ParseValue(QStringLiteral("FALSE"), VariantType::Empty), Variant(false));
    EXPECT_EQ(ParseValue(QStringLiteral("a b"), VariantType::Empty), Variant(u"a b"));
    EXPECT_TRUE(ParseValue(QStringLiteral("  "), VariantType::Empty).IsEmpty());
    // Too large for a Long: kept as text rather than failing.
    EXPECT_EQ(ParseValue(QStringLiteral("99999999999"), VariantType::Empty),
              Variant(u"99999999999"));
}

TEST(ValueText, EditTextReadsBackToTheSameValue) {
    const Variant values[] = {Variant(true),
                              Variant(false),
                              Variant(int16_t{-32768}),
                              Variant(int32_t{2147483647}),
                              Variant(OleColor{0x80000005}),
                              Variant(OleColor{0}),
                              Variant(u"x, y"),
                              Variant(u"")};
    for (const Variant& v : values) {
        EXPECT_EQ(ParseValue(EditText(v), v.Type()), v) << EditText(v).toStdString();
    }
    EXPECT_EQ(EditText(Variant(OleColor{0xC0C0C0})), QStringLiteral("&H00C0C0C0&"));
}

TEST(ValueText, ShowsLongAndBinaryStringsReadably) {
    std::u16string big(1000, u'a');
    const QString shown = ValueText(Variant(big));
    EXPECT_TRUE(shown.startsWith(QString(kShownStringLength, QLatin1Char('a'))));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("(1000 characters)")));
    EXPECT_EQ(EditText(Variant(big)).size(), 1000) << "editing never works on a cut value";

    std::u16string binary = u"GIF89a";
    binary.push_back(u'\0');
    binary.push_back(u'\n');
    const QString text = ValueText(Variant(binary), true);
    EXPECT_EQ(text.size(), 10);
    EXPECT_FALSE(text.contains(QChar(0)));
    EXPECT_FALSE(text.contains(QLatin1Char('\n')));
    EXPECT_EQ(text.front(), QLatin1Char('"'));

    EXPECT_EQ(ValueText(Variant()), QStringLiteral("Empty"));
    EXPECT_EQ(ValueText(Variant::Nothing()), QStringLiteral("Nothing"));
    QImage image(3, 2, QImage::Format_RGB32);
    EXPECT_EQ(ValueText(Variant(Picture::Make(image))), QStringLiteral("(Picture 3 x 2)"));
}

TEST(ValueText, ErrorAndEventLines) {
    EXPECT_EQ(ErrorText(AutomationError(380, "Bad property value.")),
              QStringLiteral("Error 380: Bad property value."));

    EventInfo changed{
        "Changed", 1, {"Code", "Text"}, {VariantType::Int16, VariantType::String}, true};
    Variant code = int16_t{3};
    Variant text = u"hi";
    EXPECT_EQ(
        EventText(1, &changed, {&code, &text}),
        QStringLiteral("Event Changed(ByRef Code As Integer = 3, ByRef Text As String = \"hi\")"));

    EventInfo step{"Step", 2, {}, {}, false};
    EXPECT_EQ(EventText(2, &step, {}), QStringLiteral("Event Step()"));
    EventInfo down{
        "MouseDown", -605, {"Button", "x"}, {VariantType::Int16, VariantType::Int32}, false};
    Variant button = int16_t{1};
    Variant x = int32_t{-4};
    EXPECT_EQ(EventText(-605, &down, {&button, &x}),
              QStringLiteral("Event MouseDown(Button As Integer = 1, x As Long = -4)"));
    // An event the control does not describe, with more arguments than names.
    EXPECT_EQ(EventText(9, nullptr, {&code, nullptr}), QStringLiteral("Event #9(3, Empty)"));
    EXPECT_EQ(EventText(1, &step, {&code}), QStringLiteral("Event Step(3)"));
}

TEST(ValueText, MemberSignatures) {
    MemberInfo add{.name = "Add",
                   .id = 6,
                   .isMethod = true,
                   .type = VariantType::Int32,
                   .argTypes = {VariantType::Int16, VariantType::Int16}};
    EXPECT_EQ(MemberSignature(add), QStringLiteral("Add(Integer, Integer) As Long"));
    MemberInfo about{.name = "AboutBox", .id = -552, .isMethod = true};
    EXPECT_EQ(MemberSignature(about), QStringLiteral("AboutBox()"));
}

}  // namespace
}  // namespace testcontainer
