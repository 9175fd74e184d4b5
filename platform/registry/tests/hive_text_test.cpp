#include "registry/hive_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vantry::registry {
namespace {

using namespace std::string_literals;

HiveData Sample() {
    HiveData data;
    KeyNode* key = data.Create({"Software", "Vantry", "MurmelMailer"});
    key->SetValue("Name", Value::String("Ann \"the\" Caller"));
    key->SetValue("Path", Value::String("C:\\Program Files\\Murmel\\"));  // ends in a backslash
    key->SetValue("Lines", Value::String("one\r\ntwo"));
    key->SetValue("Latin1", Value::String("caf\xe9"));
    key->SetValue("Tabbed", Value::String("\tin\t"));
    key->SetValue("Empty", Value::String(""));
    key->SetValue("", Value::String("default"));
    key->SetValue("ProxyEnable", Value::Dword(0xA1B2C3D4));
    std::vector<std::byte> blob;
    for (int i = 0; i < 100; ++i) {
        blob.push_back(static_cast<std::byte>(i * 7));
    }
    key->SetValue("Blob", Value::Binary(blob));
    key->SetValue("NoBytes", Value::Binary({}));
    Value odd;
    odd.type = static_cast<ValueType>(7);
    odd.data = {std::byte{'a'}, std::byte{0}, std::byte{0}};
    key->SetValue("Multi \\ \"x\"", odd);
    Value shortDword;
    shortDword.type = ValueType::Dword;
    shortDword.data = {std::byte{1}};
    key->SetValue("ShortDword", shortDword);
    data.Create({"Software", "Empty Key"});
    data.Root().SetValue("AtRoot", Value::String("r"));
    return data;
}

TEST(HiveTextTest, EveryValueSurvivesWriteAndRead) {
    const HiveData data = Sample();
    const std::string text = SerializeHive(data, Hive::CurrentUser);
    const auto back = ParseHiveText(text, Hive::CurrentUser);
    EXPECT_TRUE(back.complete) << text;
    EXPECT_EQ(back.badLines, 0u);
    EXPECT_TRUE(back.data == data) << text;
    EXPECT_EQ(SerializeHive(back.data, Hive::CurrentUser), text);
    // Readable for a person: plain strings and dwords as such, keys with paths.
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Vantry\\MurmelMailer]\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"Name\"=\"Ann \\\"the\\\" Caller\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"ProxyEnable\"=dword:a1b2c3d4\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Empty Key]\n"), std::string::npos);
    // Text that would not read back the same goes out as hex of its type.
    EXPECT_NE(text.find("\"Lines\"=hex(1):6f,6e,65,0d,0a,74,77,6f,00\n"), std::string::npos);
}

TEST(HiveTextTest, StringEndingInBackslashDoesNotSwallowNextLine) {
    HiveData data;
    KeyNode* key = data.Create({"K"});
    key->SetValue("a", Value::String("dir\\"));
    key->SetValue("b", Value::String("next"));
    const auto back = ParseHiveText(SerializeHive(data, Hive::Users), Hive::Users);
    EXPECT_TRUE(back.complete);
    EXPECT_TRUE(back.data == data);
}

TEST(HiveTextTest, HandWrittenFileWithShortHiveNamesAndPlainBackslashes) {
    const std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n"
        "\r\n"
        "[hkcu\\Software\\Test]\r\n"
        "  \"Folder\" = \"C:\\Temp\\x\"  \r\n"
        "\"Hex\"=HEX:01, 02,\\\r\n"
        "   03\r\n"
        "\"Num\"=DWORD:0000001f\r\n"
        "[HKEY_CURRENT_USER\\software\\TEST\\Sub\\]\r\n";
    const auto r = ParseHiveText(text, Hive::CurrentUser);
    EXPECT_TRUE(r.complete);
    const KeyNode* key = r.data.Find({"SOFTWARE", "test"});
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Name(), "Test");
    ASSERT_NE(key->FindValue("folder"), nullptr);
    EXPECT_EQ(key->FindValue("folder")->value.Text(), "C:\\Temp\\x");
    EXPECT_EQ(key->FindValue("HEX")->value,
              Value::Binary({std::byte{1}, std::byte{2}, std::byte{3}}));
    EXPECT_EQ(key->FindValue("num")->value, Value::Dword(31));
    EXPECT_NE(r.data.Find({"software", "test", "sub"}), nullptr);
}

TEST(HiveTextTest, DamagedFileKeepsWhatItUnderstands) {
    const std::string text =
        "REGEDIT4\n"
        "\"orphan\"=\"before any key\"\n"
        "[HKEY_CURRENT_USER\\Good]\n"
        "\"a\"=\"1\"\n"
        "; a comment would be lost on rewrite\n"
        "\"unterminated=\"x\n"
        "\"b\"=\"unterminated\n"
        "\"c\"=dword:123456789\n"
        "\"d\"=dword:zz\n"
        "\"e\"=hex:1,2g\n"
        "\"f\"=hex(:00\n"
        "\"g\"=\"x\" trailing\n"
        "\"ctl\x01\"=\"x\"\n"
        "garbage \x00\xff line\n"
        "[HKEY_CURRENT_USER\\Bad\\\\Path]\n"
        "\"lost\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\Other]\n"
        "\"other\"=\"1\"\n"
        "[HKEY_CURRENT_USER\\Good]\n"
        "\"z\"=\"26\"\n"
        "[HKEY_CURRENT_USER\\Unclosed\n"s;
    ASSERT_NE(text.find('\0'), std::string::npos);
    const auto r = ParseHiveText(text, Hive::CurrentUser);
    EXPECT_FALSE(r.complete);
    EXPECT_GE(r.badLines, 14u);
    const KeyNode* good = r.data.Find({"Good"});
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->Values().size(), 2u);
    EXPECT_EQ(good->FindValue("a")->value.Text(), "1");
    EXPECT_EQ(good->FindValue("z")->value.Text(), "26");
    EXPECT_EQ(r.data.Root().Values().size(), 0u);
    EXPECT_EQ(r.data.Root().Children().size(), 1u);  // not Bad, Other or Unclosed
}

TEST(HiveTextTest, MissingHeaderAndDuplicateValuesCountAsDamage) {
    const auto noHeader = ParseHiveText("[HKCU\\A]\n\"x\"=\"1\"\n", Hive::CurrentUser);
    EXPECT_FALSE(noHeader.complete);
    EXPECT_EQ(noHeader.data.Find({"A"})->FindValue("x")->value.Text(), "1");

    const auto dup =
        ParseHiveText("REGEDIT4\n[HKCU\\A]\n\"x\"=\"1\"\n\"X\"=\"2\"\n", Hive::CurrentUser);
    EXPECT_FALSE(dup.complete);
    EXPECT_EQ(dup.data.Find({"A"})->FindValue("x")->value.Text(), "2");

    EXPECT_TRUE(ParseHiveText("", Hive::CurrentUser).complete);
    EXPECT_TRUE(ParseHiveText("\n \n", Hive::CurrentUser).complete);
}

TEST(HiveTextTest, HostileSizesStayBounded) {
    // An endless hex continuation stops at the line limit instead of growing.
    std::string text = "REGEDIT4\n[HKCU\\A]\n\"x\"=hex:00,\\\n";
    const std::string more = "00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,\\\n";
    while (text.size() < 4u * 1024 * 1024) {
        text += more;
    }
    text += "00\n\"after\"=\"ok\"\n";
    const auto r = ParseHiveText(text, Hive::CurrentUser);
    EXPECT_FALSE(r.complete);
    ASSERT_NE(r.data.Find({"A"}), nullptr);
    EXPECT_EQ(r.data.Find({"A"})->FindValue("x"), nullptr);
    EXPECT_EQ(r.data.Find({"A"})->FindValue("after")->value.Text(), "ok");

    // Paths deeper or longer than the limits are refused, not recursed into.
    std::string deep = "REGEDIT4\n[HKCU";
    for (int i = 0; i < 2000; ++i) {
        deep += "\\k";
    }
    deep += "]\n";
    const auto d = ParseHiveText(deep, Hive::CurrentUser);
    EXPECT_FALSE(d.complete);
    EXPECT_TRUE(d.data.Root().Children().empty());
}

TEST(KeyPathTest, SplitsAndRefusesMalformedPaths) {
    using Parts = std::vector<std::string>;
    EXPECT_EQ(SplitKeyPath(""), Parts{});
    EXPECT_EQ(SplitKeyPath("A"), Parts{"A"});
    EXPECT_EQ(SplitKeyPath("A\\B c\\.D"), (Parts{"A", "B c", ".D"}));
    EXPECT_EQ(SplitKeyPath("A\\B\\"), (Parts{"A", "B"}));
    EXPECT_FALSE(SplitKeyPath("\\"));
    EXPECT_FALSE(SplitKeyPath("\\A"));
    EXPECT_FALSE(SplitKeyPath("A\\\\B"));
    EXPECT_FALSE(SplitKeyPath("A\\B\\\\"));
    EXPECT_FALSE(SplitKeyPath("A\nB"));
    EXPECT_FALSE(SplitKeyPath(std::string(256, 'k')));
    EXPECT_TRUE(SplitKeyPath(std::string(255, 'k')));
    EXPECT_TRUE(ValidValueName(""));
    EXPECT_FALSE(ValidValueName("a\tb"));
}

}  // namespace
}  // namespace vantry::registry
