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
    EXPECT_EQ(CodeForErrno(ECONNREFUSED), kErrRefused);
    EXPECT_EQ(kErrRefused, 25062);
    EXPECT_EQ(CodeForErrno(ETIMEDOUT), 25061);
    EXPECT_EQ(CodeForErrno(ECONNRESET), 25055);
    EXPECT_EQ(CodeForErrno(EPIPE), 25055);
    EXPECT_EQ(CodeForErrno(ENOTCONN), 25058);
    EXPECT_EQ(CodeForErrno(ENETUNREACH), 25052);
    EXPECT_EQ(CodeForErrno(EHOSTUNREACH), 25066);
    EXPECT_EQ(CodeForErrno(EADDRINUSE), 25049);
    EXPECT_EQ(CodeForErrno(ENOENT), kErrOther);
    EXPECT_EQ(CodeForErrno(0), kErrOther);

    EXPECT_EQ(CodeForLookupError(0), 0);
    EXPECT_EQ(CodeForLookupError(EAI_NONAME), 26002);
    EXPECT_EQ(CodeForLookupError(EAI_AGAIN), 26003);
    EXPECT_EQ(CodeForLookupError(EAI_FAIL), 26004);
    EXPECT_EQ(CodeForLookupError(EAI_NODATA), 26005);
    EXPECT_EQ(CodeForLookupError(EAI_BADFLAGS), kErrOther);
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
