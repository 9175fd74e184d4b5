#include <gtest/gtest.h>

#include "net/line_assembler_p.h"
#include "net/socket_errors.h"

#include <netdb.h>

#include <cerrno>

using vantry::net::LineAssembler;

namespace {

QList<QByteArray> FeedBytewise(LineAssembler& a, const QByteArray& data) {
    QList<QByteArray> all;
    for (char c : data) {
        all.append(a.Feed(QByteArray(1, c)));
    }
    return all;
}

}  // namespace

TEST(LineAssembler, LinesKeepTheirEndsWhetherFedWholeOrByteByByte) {
    const QByteArray input = "HTTP/1.1 200 OK\r\nA: b\n\r\nrest";
    const QList<QByteArray> expected = {"HTTP/1.1 200 OK\r\n", "A: b\n", "\r\n"};
    LineAssembler whole;
    EXPECT_EQ(whole.Feed(input), expected);
    EXPECT_EQ(whole.TakeRest(), "rest");
    EXPECT_EQ(whole.pending(), 0);

    LineAssembler bytes;
    EXPECT_EQ(FeedBytewise(bytes, input), expected);
    EXPECT_EQ(bytes.TakeRest(), "rest");
}

TEST(LineAssembler, LineLongerThanTheLimitIsCutIntoLimitSizedPieces) {
    LineAssembler a;
    a.setLimit(4);
    EXPECT_EQ(a.Feed("abcdefghij\r\n"), (QList<QByteArray>{"abcd", "efgh", "ij\r\n"}));
    // A line end exactly at the limit stays with its line.
    EXPECT_EQ(a.Feed("abc\n"), QList<QByteArray>{"abc\n"});
    // Without any line end memory stays bounded byte by byte.
    LineAssembler b;
    b.setLimit(3);
    EXPECT_EQ(FeedBytewise(b, "1234567"), (QList<QByteArray>{"123", "456"}));
    EXPECT_EQ(b.pending(), 1);
}

TEST(LineAssembler, WithoutLineModeEveryReadIsPassedOnInLimitSizedPieces) {
    LineAssembler a;
    a.setLineMode(false);
    a.setLimit(5);
    EXPECT_EQ(a.Feed("ab\ncdefgh"), (QList<QByteArray>{"ab\ncd", "efgh"}));
    EXPECT_EQ(a.pending(), 0);
    a.setLimit(0);  // clamped to one byte
    EXPECT_EQ(a.Feed("xy"), (QList<QByteArray>{"x", "y"}));
}

TEST(SocketErrors, SystemErrorsMapOntoTheClassicNumbersPlusTheOffset) {
    using namespace vantry::net;
    struct Case {
        int error;
        int code;
    };
    constexpr Case kErrnoCases[] = {
        {ECONNREFUSED, kErrRefused}, {ETIMEDOUT, 25061},
        {ECONNRESET, 25055},         {EPIPE, 25055},
        {ENOTCONN, 25058},           {ENETUNREACH, 25052},
        {EHOSTUNREACH, 25066},       {EADDRINUSE, 25049},
        {ENOENT, kErrOther},         {0, kErrOther},
    };
    constexpr Case kLookupCases[] = {
        {0, 0},
        {EAI_NONAME, 26002},
        {EAI_AGAIN, 26003},
        {EAI_FAIL, 26004},
        {EAI_NODATA, 26005},
        {EAI_BADFLAGS, kErrOther},
    };
    EXPECT_EQ(kErrRefused, 25062);
    for (const Case& c : kErrnoCases) {
        EXPECT_EQ(CodeForErrno(c.error), c.code) << c.error;
    }
    for (const Case& c : kLookupCases) {
        EXPECT_EQ(CodeForLookupError(c.error), c.code) << c.error;
    }
}

TEST(SocketErrors, DescriptionsCarryTheCodeInBrackets) {
    using namespace vantry::net;
    EXPECT_EQ(DescriptionForCode(25062), "[25062] Connection refused");
    EXPECT_EQ(DescriptionForCode(26002), "[26002] Host not found");
    EXPECT_EQ(DescriptionForCode(25000), "[25000] Unexpected socket error");
    EXPECT_FALSE(MakeError(0));
    const SocketError e = MakeError(kErrTimedOut);
    EXPECT_TRUE(e);
    EXPECT_EQ(e.description, "[25061] Connection timed out");
}
