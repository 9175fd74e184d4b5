#include <gtest/gtest.h>

#include "upload/upload_texts.h"

namespace murmel {
namespace {

QString Id(std::string_view id) {
    return QString::fromLatin1(id.data(), qsizetype(id.size()));
}

TEST(ConnectTo, SchemeIgnoredPortRequired) {
    ServerAddress a = ParseConnectTo("http://relay.example.org:8080");
    EXPECT_EQ(a.host, "relay.example.org");
    EXPECT_EQ(a.port, 8080);
    a = ParseConnectTo("anything://10.1.2.3:25/ignored");
    EXPECT_EQ(a.host, "10.1.2.3");
    EXPECT_EQ(a.port, 25);
    a = ParseConnectTo("http://relay.example.org");
    EXPECT_EQ(a.host, "relay.example.org");
    EXPECT_EQ(a.port, 0);
    a = ParseConnectTo("http://relay:http");
    EXPECT_EQ(a.host, "relay");
    EXPECT_EQ(a.port, 0);
    EXPECT_EQ(ParseConnectTo("http://relay:70000").port, 0);
    EXPECT_EQ(ParseConnectTo("http://relay:0").port, 0);
    EXPECT_EQ(ParseConnectTo("http://relay:65535").port, 65535);
    a = ParseConnectTo("relay.example.org:80");
    EXPECT_TRUE(a.host.isEmpty());
    EXPECT_EQ(a.port, 0);
    EXPECT_TRUE(ParseConnectTo("").host.isEmpty());
}

TEST(ConnectTo, DottedAddressIsNumberBeforeFirstDot) {
    EXPECT_TRUE(IsDottedAddress("127.0.0.1"));
    EXPECT_TRUE(IsDottedAddress("10.example"));
    EXPECT_FALSE(IsDottedAddress("relay.example.org"));
    EXPECT_FALSE(IsDottedAddress("10x.example"));
    EXPECT_FALSE(IsDottedAddress("localhost"));
    EXPECT_FALSE(IsDottedAddress("12345"));
    EXPECT_FALSE(IsDottedAddress(".1"));
    EXPECT_FALSE(IsDottedAddress(""));
}

TEST(UploadErrorMessage, EveryRowOfTheTable) {
    const QString keep = "\r\n\r\nmm0016";
    EXPECT_EQ(UploadErrorMessage(25005, "", Id), "mm0014 [25005] mm0015" + keep);
    EXPECT_EQ(UploadErrorMessage(25062, "", Id), "mm0014 [25062] mm0015" + keep);
    EXPECT_EQ(UploadErrorMessage(25092, "", Id), "mm0014 [25092] mm0015" + keep);
    EXPECT_EQ(UploadErrorMessage(20302, "", Id), "mm0018[20302] mm0019" + keep);
    EXPECT_EQ(UploadErrorMessage(20303, "", Id), "mm0020 [20303] mm0021" + keep);
    EXPECT_EQ(UploadErrorMessage(20152, "550 rejected", Id), "mm0022 [20152 #550] mm0023" + keep);
    EXPECT_EQ(UploadErrorMessage(20152, "5", Id), "mm0022 [20152 #5] mm0023" + keep);
    EXPECT_EQ(UploadErrorMessage(20153, "", Id), "mm0024 [20153] mm0025" + keep);
    EXPECT_EQ(UploadErrorMessage(20154, "", Id), "mm0026 [20154] mm0027" + keep);
    EXPECT_EQ(UploadErrorMessage(25093, "", Id), "mm0028");
    EXPECT_EQ(UploadErrorMessage(25094, "", Id), "mm0029");
    EXPECT_EQ(UploadErrorMessage(26002, "", Id), "mm0030");
    EXPECT_EQ(UploadErrorMessage(26003, "", Id), "mm0031");
    EXPECT_EQ(UploadErrorMessage(26004, "", Id), "mm0032");
    EXPECT_EQ(UploadErrorMessage(26005, "", Id), "mm0033");
    EXPECT_EQ(UploadErrorMessage(25004, "", Id), "mm0034 [25004] mm0035");
    EXPECT_EQ(UploadErrorMessage(25000, "", Id), "mm0034 [25000] mm0035");
    EXPECT_EQ(UploadErrorMessage(26006, "", Id), "mm0034 [26006] mm0035");
}

}  // namespace
}  // namespace murmel
