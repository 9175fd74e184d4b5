#include <gtest/gtest.h>

#include "ads/ad_list.h"
#include "ads/ads_answer.h"

namespace murmel {
namespace {

using Step = AdsAnswer::Step;

std::vector<Step> Feed(AdsAnswer& answer, const std::vector<QByteArray>& lines) {
    std::vector<Step> steps;
    for (const QByteArray& line : lines) {
        steps.push_back(answer.Receive(line));
    }
    return steps;
}

TEST(AdsAnswer, StatusLinesDecideWhetherToClose) {
    struct Case {
        const char* status;
        Step step;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\n", Step::Continue},
        {"http/1.1 204 No Content\r\n", Step::Continue},
        {"HTTP/1.1 304 Not Modified\r\n", Step::CloseAndUnload},
        {"HTTP/1.1 401 Unauthorized\r\n", Step::Close},
        {"HTTP/1.1 403 Forbidden\r\n", Step::Close},
        {"HTTP/1.1 404 Not Found\r\n", Step::Close},
        {"HTTP/1.1 407 Proxy Authentication Required\r\n", Step::Close},
        {"HTTP/1.1 500 Internal Server Error\r\n", Step::Close},
        {"HTTP/1.1 302 Found\r\n", Step::Close},
        {"HTTP/1.0 404 Not Found\r\n", Step::Continue},
    };
    for (const Case& c : cases) {
        AdsAnswer answer;
        EXPECT_EQ(answer.Receive(c.status), c.step) << c.status;
    }
}

TEST(AdsAnswer, LastModifiedComesFromAHeaderLineOnly) {
    AdsAnswer answer;
    Feed(answer, {"HTTP/1.1 200 OK\r\n", "X-Note: Last-Modified: no\r\n",
                  "last-modified:   Mon, 07 Dec 2026 20:00:00 GMT \r\n", "\r\n",
                  "Last-Modified: in the body\r\n"});
    EXPECT_EQ(answer.lastModified(), "Mon, 07 Dec 2026 20:00:00 GMT");

    AdsAnswer bare;  // a line end without CR, and control characters inside
    Feed(bare, {"HTTP/1.1 200 OK\n", "Last-Modified: Mon,\x01 07 Dec\n"});
    EXPECT_EQ(bare.lastModified(), "Mon, 07 Dec");
}

TEST(AdsAnswer, PiecesOfALongLineAreNoStatusLines) {
    AdsAnswer answer;
    EXPECT_EQ(answer.Receive("HTTP/1.1 200 OK\r\n"), Step::Continue);
    EXPECT_EQ(answer.Receive("<BODY>\r\n"), Step::Continue);
    EXPECT_EQ(answer.Receive("xxxx"), Step::Continue);  // the socket's piece of a long line
    EXPECT_EQ(answer.Receive("HTTP/1.1 404 inside a long line\r\n"), Step::Continue);
    EXPECT_EQ(answer.Receive("</BODY>\r\n"), Step::Continue);
    const AdsAnswer::Result result = answer.Finish();
    ASSERT_TRUE(result.complete);
    EXPECT_EQ(result.lines, std::vector<QByteArray>{"xxxxHTTP/1.1 404 inside a long line"});
}

TEST(AdsAnswer, TakesAtMostTheListLimitOfLines) {
    AdsAnswer answer;
    answer.Receive("HTTP/1.1 200 OK\r\n");
    answer.Receive("<BODY>\r\n");
    for (int i = 0; i < kMaxAds + 5; ++i) {
        answer.Receive(QByteArray::number(i) + "\t1\t1\tp.gif\t\t\r\n");
    }
    answer.Receive("</BODY>\r\n");
    EXPECT_EQ(answer.Finish().lines.size(), static_cast<size_t>(kMaxAds));
}

TEST(AdsAnswer, AnEndlessAnswerIsNotUsed) {
    AdsAnswer answer;
    answer.Receive("HTTP/1.1 200 OK\r\n");
    const QByteArray piece(kMaxAdLineBytes, 'x');
    for (int i = 0; i < 2 * kMaxAds; ++i) {
        answer.Receive(piece);
    }
    EXPECT_LE(answer.buffer().size(), (kMaxAds + 64) * (kMaxAdLineBytes + 2));
    EXPECT_FALSE(answer.Finish().complete);
}

}  // namespace
}  // namespace murmel
