#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <sys/stat.h>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "composer/outbox_item.h"
#include "composer/settings_post.h"
#include "composer/zip_file.h"
#include "settings/registry_settings.h"
#include "test_env.h"

namespace murmel {
namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

QString Translate(std::string_view id) {
    if (id == "mail0001")
        return "(no subject)";
    if (id == "mail0002")
        return "Default note.";
    return QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size()));
}

// Checks that ITEM holds every piece of WANTED and none of UNWANTED.
void ExpectPieces(const std::string& item, std::initializer_list<std::string_view> wanted,
                  std::initializer_list<std::string_view> unwanted = {}) {
    for (const std::string_view piece : wanted) {
        EXPECT_NE(item.find(piece), std::string::npos) << "missing: " << piece;
    }
    for (const std::string_view piece : unwanted) {
        EXPECT_EQ(item.find(piece), std::string::npos) << "present: " << piece;
    }
}

// A small but real wave file: header plus a few thousand samples of a tone.
std::string MakeWave(int samples) {
    std::string data;
    for (int i = 0; i < samples; ++i) {
        const int16_t v = static_cast<int16_t>((i * 37 % 2000) - 1000);
        data.push_back(static_cast<char>(v & 0xff));
        data.push_back(static_cast<char>((v >> 8) & 0xff));
    }
    auto le32 = [](uint32_t v) {
        return std::string{char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff),
                           char((v >> 24) & 0xff)};
    };
    auto le16 = [](uint16_t v) { return std::string{char(v & 0xff), char((v >> 8) & 0xff)}; };
    std::string w = "RIFF" + le32(36 + data.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(1) +
                    le32(16000) + le32(32000) + le16(2) + le16(16) + "data" + le32(data.size()) +
                    data;
    return w;
}

struct Fixture {
    fs::path dir = vantry::test::FreshDir("app");
    FixedPostSettings settings;
    PostEnvironment env;
    QDateTime when{QDate(2026, 12, 6), QTime(15, 49, 7)};

    Fixture() {
        settings.myEmail = "me@example.org";
        settings.userLanguage = "00000409";
        env.outboxFolder = Q(dir / "Outbox");
        env.settings = &settings;
        env.T = Translate;
        env.versionMajor = 2;
        env.versionMinor = 13;
        env.clock = [this] { return when; };
        env.timeZone = [] { return QStringLiteral("-0500"); };
    }
    QString Zip(const std::string& bytes) {
        vantry::test::WriteFile(dir / "in.zip", bytes);
        return Q(dir / "in.zip");
    }
    QStringList Items() const {
        return QDir(Q(dir / "Outbox")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST(OutboxItem, ByteForByteWithEveryOptionalLine) {
    Fixture f;
    f.settings.myName = "Ann Example";
    f.settings.myCc = "boss@example.org";
    f.settings.myOrganization = "Example Ltd";
    f.settings.myNote = "Hello there.";
    const QString zip = f.Zip(std::string("PK\x03\x04zz\r\n\0end", 13));
    QString path;
    ASSERT_EQ(BuildPost(f.env, "to@x.org, two@y.org", "cc@x.org", "Hi", 1, zip, &path), kPostDone);
    EXPECT_EQ(path, Q(f.dir / "Outbox" / "261206154907.txt"));

    const std::string body =
        "--------MurmelPost\r\n"
        "Content-Disposition: form-data; name=\"header\"; filename=\"header.txt\"\r\n"
        "Content-Type: text/plain\r\n"
        "\r\n"
        "To: to@x.org, two@y.org\r\n"
        "From: \"Ann Example\" <me@example.org>\r\n"
        "Subject: Hi\r\n"
        "Date: Sun, 06 Dec 2026 15:49 -0500\r\n"
        "Cc: cc@x.org, boss@example.org\r\n"
        "X-Organization: Example Ltd\r\n"
        "X-Return-Receipt: Yes\r\n"
        "X-Language: 00000409\r\n"
        "X-Mailer: MurmelMailer\r\n"
        "X-MailerVersion: 2.13\r\n"
        "\r\n"
        "Hello there.\r\n"
        "\r\n"
        "--------MurmelPost\r\n"
        "Content-Disposition: form-data; name=\"body\"; filename=\"in.zip\"\r\n"
        "Content-Type: application/x-zip-compressed\r\n"
        "\r\n" +
        std::string("PK\x03\x04zz\r\n\0end", 13) +
        "\r\n\r\n"
        "--------MurmelPost--\r\n";
    const std::string expected =
        "User-Agent: MurmelMail Client\r\n"
        "Content-Type: multipart/form-data; boundary=------MurmelPost\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body;
    EXPECT_EQ(vantry::test::ReadFile(path.toStdString()), expected);
}

TEST(OutboxItem, MinimalItemOmitsOptionalLinesAndUsesDefaults) {
    Fixture f;
    f.settings.myNote = "   ";
    QString path;
    ASSERT_EQ(BuildPost(f.env, "to@x.org", "", "", 0, f.Zip("Z"), &path), kPostDone);
    const std::string item = vantry::test::ReadFile(path.toStdString());
    ExpectPieces(item,
                 {"\r\nFrom: me@example.org\r\nSubject: (no subject)\r\nDate: ",
                  "-0500\r\nX-Language: 00000409\r\n", "\r\n\r\nDefault note.\r\n\r\n"},
                 {"Cc:", "X-Organization", "X-Return-Receipt"});
}

TEST(OutboxItem, CcCombinesBoxAndOwnCopyAddress) {
    EXPECT_EQ(CombineCc("", "boss@x.org"), "boss@x.org");
    EXPECT_EQ(CombineCc("typed@x.org", "boss@x.org"), "typed@x.org, boss@x.org");
    EXPECT_EQ(CombineCc("typed@x.org", "   "), "typed@x.org");
    EXPECT_EQ(CombineCc("", ""), "");
}

TEST(OutboxItem, LineBreaksInValuesNeverStartNewHeaderLines) {
    Fixture f;
    f.settings.myName = "Ann\r\nBcc: victim@x.org";
    f.settings.myEmail = "me@x.org\nX-Evil: 1";
    f.settings.myCc = "c@x.org\r";
    f.settings.myOrganization = "Org\nX: y";
    f.settings.myNote = "line one\r\nline two";
    QString path;
    ASSERT_EQ(BuildPost(f.env, "to@x.org\r\nBcc: all@x.org", "cc@x.org\n", "Sub\rject", 0,
                        f.Zip("Z"), &path),
              kPostDone);
    const std::string item = vantry::test::ReadFile(path.toStdString());
    ExpectPieces(item,
                 {"\r\nTo: to@x.org  Bcc: all@x.org\r\n",
                  "\r\nFrom: \"Ann  Bcc: victim@x.org\" <me@x.org X-Evil: 1>\r\n",
                  "\r\nSubject: Sub ject\r\n", "\r\nCc: cc@x.org , c@x.org \r\n",
                  "\r\nX-Organization: Org X: y\r\n",
                  // The note is body text: its own line breaks stay.
                  "\r\n\r\nline one\r\nline two\r\n\r\n"},
                 {"\r\nBcc:", "\nX-Evil"});
}

TEST(OutboxItem, TextIsInTheCodePageOfTheUsersLocale) {
    struct Case {
        const char* locale;
        const char* subject;  // UTF-8
        std::string expected;
    };
    const Case cases[] = {
        {"00000409",
         "Gr\xc3\xbc\xc3\x9f"
         "e \xe2\x80\x93 5 \xe2\x82\xac \xe2\x80\x9cquoted\xe2\x80\x9d",
         "Gr\xfc\xdf"
         "e \x96 5 \x80 \x93quoted\x94"},
        {"00000407", "\xc3\x84rger \xd0\x96", "\xc4rger ?"},  // no Cyrillic in 1252
        {"00000419", "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xc3\xbc",
         "\xcf\xf0\xe8\xe2\xe5\xf2 ?"},
        {"00000415",
         "\xc5\x81\xc3\xb3"
         "d\xc5\xba",
         "\xa3\xf3"
         "d\x9f"},
        {"00000408", "\xce\xb1\xce\xb2", "\xe1\xe2"},
        {"", "\xc3\xa9", "\xe9"},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.settings.userLanguage = c.locale;
        QString path;
        ASSERT_EQ(
            BuildPost(f.env, "to@x.org", "", QString::fromUtf8(c.subject), 0, f.Zip("Z"), &path),
            kPostDone);
        const std::string item = vantry::test::ReadFile(path.toStdString());
        EXPECT_NE(item.find("\r\nSubject: " + c.expected + "\r\n"), std::string::npos) << c.locale;
    }
}

TEST(OutboxItem, QuotesInTheNameAreEscapedAsInAQuotedString) {
    Fixture f;
    f.settings.myName = R"(Ann "The Voice" \ B)";
    QString path;
    ASSERT_EQ(BuildPost(f.env, "to@x.org", "", "", 0, f.Zip("Z"), &path), kPostDone);
    const std::string item = vantry::test::ReadFile(path.toStdString());
    EXPECT_NE(item.find(R"(From: "Ann \"The Voice\" \\ B" <me@example.org>)"), std::string::npos);
}

TEST(OutboxItem, FailuresWriteNothing) {
    Fixture f;
    EXPECT_EQ(BuildPost(f.env, "t@x.org", "", "", 0, Q(f.dir / "none.zip")), kPostArchiveMissing);
    EXPECT_EQ(BuildPost(f.env, "t@x.org", "", "", 0, "in.zip"), kPostArchiveMissing);
    EXPECT_EQ(BuildPost(f.env, "t@x.org", "", "", 0, Q(f.dir)), kPostArchiveMissing);
    EXPECT_EQ(BuildPost(f.env, "t@x.org", "", "", 0, f.Zip("")), kPostArchiveEmpty);
    const QString zip = f.Zip("Z");
    ::chmod(zip.toLocal8Bit().constData(), 0);
    if (::geteuid() != 0) {
        EXPECT_EQ(BuildPost(f.env, "t@x.org", "", "", 0, zip), kPostArchiveUnreadable);
    }
    ::chmod(zip.toLocal8Bit().constData(), 0600);
    f.settings.myEmail.clear();
    EXPECT_EQ(BuildPost(f.env, "t@x.org", "", "", 0, zip), kPostNoOwnAddress);
    EXPECT_TRUE(f.Items().isEmpty());
}

TEST(OutboxItem, OutboxThatCannotBeWrittenIsReported) {
    Fixture f;
    vantry::test::WriteFile(f.dir / "Outbox", "a file where the folder should be");
    EXPECT_EQ(BuildPost(f.env, "t@x.org", "", "", 0, f.Zip("Z")), kPostItemNotWritten);
}

TEST(OutboxItem, ItemsOfOneSecondNeverOverwriteEachOther) {
    Fixture f;
    const QString zip = f.Zip("Z");
    QStringList paths;
    for (int i = 0; i < 3; ++i) {
        QString path;
        ASSERT_EQ(BuildPost(f.env, QStringLiteral("n%1@x.org").arg(i), "", "", 0, zip, &path),
                  kPostDone);
        paths << path;
    }
    // Only finished items are in the folder: no temporary file is left.
    EXPECT_EQ(f.Items(), QStringList({"261206154907.txt", "261206154908.txt", "261206154909.txt"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(vantry::test::ReadFile(paths[i].toStdString())
                      .find(QStringLiteral("To: n%1@x.org\r\n").arg(i).toStdString()),
                  std::string::npos);
    }
    EXPECT_EQ(OutboxItemName(QDateTime(QDate(2009, 1, 2), QTime(3, 4, 5))), "090102030405.txt");
}

// The archive made from a real recording, wrapped into an item, read back by
// Python's email and zipfile modules and by unzip.
TEST(OutboxItem, RealReadersFindTheRecording) {
    Fixture f;
    f.settings.myName = "Ann";
    // Note lines that look like delimiters must not end the header part.
    f.settings.myNote = "--------MurmelPost--\r\n--------MurmelPost\nbye";
    const fs::path wave = f.dir / "in.wav";
    vantry::test::WriteFile(wave, MakeWave(48000));
    const QString zip = Q(f.dir / "in.zip");
    ASSERT_EQ(ZipFile(Q(wave), zip), 0);

    QProcess unzip;
    unzip.start("unzip", {"-t", zip});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    EXPECT_EQ(unzip.exitCode(), 0) << unzip.readAll().toStdString();

    QString path;
    ASSERT_EQ(BuildPost(f.env, "to@x.org", "cc@x.org", "Voice", 1, zip, &path), kPostDone);
    QProcess py;
    py.start("/usr/bin/python3",
             {QStringLiteral(COMPOSER_TEST_DIR "/check_item.py"), path, Q(wave)});
    ASSERT_TRUE(py.waitForFinished(30000));
    ASSERT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    const QJsonObject r = QJsonDocument::fromJson(py.readAllStandardOutput()).object();
    EXPECT_EQ(r["declared"].toInt(), r["body_bytes"].toInt());
    EXPECT_TRUE(r["defects"].toArray().isEmpty());
    EXPECT_EQ(r["names"].toArray(), QJsonArray({"header", "body"}));
    EXPECT_EQ(r["files"].toArray(), QJsonArray({"header.txt", "in.zip"}));
    EXPECT_EQ(r["header_lines"].toArray().at(0).toString(), "To: to@x.org");
    EXPECT_TRUE(r["header_lines"].toArray().contains(" --------MurmelPost--"));
    EXPECT_EQ(r["zip_entries"].toArray(), QJsonArray({"in.wav"}));
    EXPECT_TRUE(r["zip_deflated"].toBool());
    EXPECT_TRUE(r["zip_test"].isNull());
    EXPECT_TRUE(r["wave_equal"].toBool());
}

TEST(OutboxItem, SettingsComeFromTheRegistry) {
    Fixture f;
    RegistrySettings stored(std::make_unique<cRegistry>(vantry::test::FreshDir("registry")));
    cRegistry& registry = stored.registry();
    registry.VerifyRegistry();  // settings are only kept under existing keys
    registry.setMyEmail("reg@example.org");
    registry.setMyName("Reg Name");
    registry.setMyCc("copy@example.org");
    registry.setMyOrganization("Reg Org");
    registry.setMyNote("Reg note");
    const SettingsPost settings(stored);
    f.env.settings = &settings;
    QString path;
    ASSERT_EQ(BuildPost(f.env, "to@x.org", "", "S", 0, f.Zip("Z"), &path), kPostDone);
    const std::string item = vantry::test::ReadFile(path.toStdString());
    ExpectPieces(item,
                 {"\r\nFrom: \"Reg Name\" <reg@example.org>\r\n", "\r\nCc: copy@example.org\r\n",
                  "\r\nX-Organization: Reg Org\r\n", "\r\n\r\nReg note\r\n\r\n"});

    registry.setMyEmail("");  // read anew at every build
    EXPECT_EQ(BuildPost(f.env, "to@x.org", "", "S", 0, f.Zip("Z")), kPostNoOwnAddress);
}

TEST(ZipFile, ReplacesArchiveAndReportsFailures) {
    const fs::path dir = vantry::test::FreshDir("zip");
    vantry::test::WriteFile(dir / "in.wav", MakeWave(1000));
    vantry::test::WriteFile(dir / "in.zip", "old junk that is no archive");
    EXPECT_EQ(ZipFile(Q(dir / "in.wav"), Q(dir / "in.zip")), 0);
    EXPECT_EQ(vantry::test::ReadFile(dir / "in.zip").substr(0, 4), "PK\x03\x04");

    EXPECT_EQ(ZipFile(Q(dir / "missing.wav"), Q(dir / "out.zip")), kZipItemMissing);
    EXPECT_FALSE(fs::exists(dir / "out.zip"));
    EXPECT_NE(ZipFile(Q(dir / "in.wav"), Q(dir / "no" / "such" / "out.zip")), 0);
    fs::create_directory(dir / "adir.zip");
    EXPECT_NE(ZipFile(Q(dir / "in.wav"), Q(dir / "adir.zip")), 0);
}

}  // namespace
}  // namespace murmel
