// The pure reply pieces: line splitting fed whole and byte by byte, the
// number fields of STAT, LIST and UIDL and the terminators. The code table
// is checked beside the SMTP one, which shares its transport texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pop3/pop3_reply.h"

using namespace corvy::pop3;

namespace {

// Feeds `bytes` in pieces of `step` and collects every line; `closed` tells
// whether the reader ended with bytes it could not make a line of.
std::vector<std::string> Split(const std::string& bytes, std::size_t step, bool& closed) {
    Pop3LineReader reader;
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    closed = false;
    for (;;) {
        const auto outcome = reader.Next(line);
        if (outcome == Pop3LineReader::Outcome::Line) {
            lines.push_back(line);
            continue;
        }
        if (outcome == Pop3LineReader::Outcome::Closed) {
            closed = reader.Buffered() > 0;
            return lines;
        }
        if (at >= bytes.size()) {
            if (reader.Ended()) {
                return lines;
            }
            reader.FeedEnd();
            continue;
        }
        const std::size_t n = std::min({step, bytes.size() - at, reader.Space()});
        at += reader.Feed(bytes.data() + at, n);
    }
}

}  // namespace

TEST(Pop3LineReader, LineEndsSameWholeOrByteByByte) {
    // LF, CR LF, a lone CR that swallows the next byte, and a blank line.
    const std::string bytes = "+OK hi\r\nsecond\nthird\rXfourth\r\n\r\nlast\n";
    const std::vector<std::string> want{"+OK hi", "second", "third", "fourth", "", "last"};
    for (std::size_t step : {std::size_t{1}, std::size_t{2}, std::size_t{3}, bytes.size()}) {
        bool closed = false;
        EXPECT_EQ(Split(bytes, step, closed), want) << "step " << step;
        EXPECT_FALSE(closed);
    }
}

TEST(Pop3LineReader, LongLineIsCutAndRemainderIsNextLine) {
    const std::string longLine(Pop3LineReader::kMaxLine + 10, 'a');
    bool closed = false;
    const auto lines = Split(longLine + "\r\nnext\r\n", 700, closed);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), Pop3LineReader::kMaxLine);
    EXPECT_EQ(lines[1], std::string(10, 'a'));
    EXPECT_EQ(lines[2], "next");
}

TEST(Pop3LineReader, LineOfExactlyMaxLengthKeepsItsEnd) {
    const std::string line(Pop3LineReader::kMaxLine, 'b');
    bool closed = false;
    const auto lines = Split(line + "\r\n+OK\r\n", 1, closed);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], line);
    // The cut fell right before the CR: the CR LF makes an empty line.
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "+OK");
}

TEST(Pop3LineReader, ClosedBeforeLineEnd) {
    bool closed = false;
    const auto lines = Split("+OK one\r\npartial", 4, closed);
    EXPECT_EQ(lines, std::vector<std::string>{"+OK one"});
    EXPECT_TRUE(closed);
    // A CR as the very last byte still ends a line once the stream ended.
    const auto crLast = Split("+OK\r", 1, closed);
    EXPECT_EQ(crLast, std::vector<std::string>{"+OK"});
    EXPECT_FALSE(closed);
}

TEST(Pop3Replies, CodeDependsOnlyOnLeadingDash) {
    EXPECT_EQ(ReplyCode("-ERR no"), kServerError);
    EXPECT_EQ(ReplyCode("-"), kServerError);
    EXPECT_EQ(ReplyCode(""), kSuccess);
    EXPECT_EQ(ReplyCode("hello"), kSuccess);
    EXPECT_EQ(ReplyCode(" -ERR"), kSuccess);
}

TEST(Pop3Replies, StatListAndUidlFields) {
    EXPECT_EQ(ParseStatCount("+OK 5 1200"), 5);
    EXPECT_EQ(ParseStatCount("+OK"), 0);
    EXPECT_EQ(ParseStatCount("+OK x"), 0);
    EXPECT_EQ(ParseStatCount("+OK 99999999999999"), INT_MAX);
    EXPECT_EQ(ParseListSize("+OK 3 1420"), 1420);
    EXPECT_EQ(ParseListSize("+OK 3"), 0);
    EXPECT_EQ(ParseListSize("+OK"), 0);

    std::string uid;
    EXPECT_TRUE(ExtractUidl("+OK 12 abc", 12, uid));
    EXPECT_EQ(uid, "abc");
    EXPECT_FALSE(ExtractUidl("+OK 1 abc", 12, uid));
    // The first occurrence of "<n> " wins, wherever it is, even inside a
    // longer number: servers answer "+OK <n> <id>", so this only bites odd ones.
    EXPECT_TRUE(ExtractUidl("+OK 11 1 x", 1, uid));
    EXPECT_EQ(uid, "1 x");
    EXPECT_TRUE(ExtractUidl("+OK 2 ", 2, uid));
    EXPECT_EQ(uid, "");
}

TEST(Pop3Replies, MultiLineEndAndStuffing) {
    std::string_view data;
    EXPECT_EQ(ReadDataLine(".", true, data), MultiLineStep::End);
    EXPECT_EQ(ReadDataLine(".", false, data), MultiLineStep::Data);  // rest of a cut line
    EXPECT_EQ(data, ".");
    EXPECT_EQ(ReadDataLine("..", true, data), MultiLineStep::Data);
    EXPECT_EQ(data, ".");
    EXPECT_EQ(ReadDataLine("..x", false, data), MultiLineStep::Data);
    EXPECT_EQ(data, "..x");
    EXPECT_EQ(ReadDataLine(".x", true, data), MultiLineStep::Data);
    EXPECT_EQ(data, ".x");
    EXPECT_EQ(ReadDataLine(". ", true, data), MultiLineStep::Data);
    EXPECT_EQ(ReadDataLine("", true, data), MultiLineStep::Data);
}
