// The pure pieces of the engine: line splitting, response reading, request
// fields and the error tables.

#include <gtest/gtest.h>

#include <netdb.h>
#include <cerrno>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/line_splitter.h"
#include "engine/request_fields.h"
#include "engine/response_reader.h"
#include "engine/wsa_errors.h"

namespace fetchwire {
namespace {

struct Piece {
    std::string data;
    bool whole;
};

// Feeds bytes in chunks of `step` the way the channel does and collects
// what comes out, then what is left at close.
std::vector<Piece> Split(const std::string& input, std::size_t step, const std::string& eol) {
    LineSplitter s;
    s.SetEndOfLine(eol);
    std::vector<Piece> out;
    std::string piece;
    bool whole = false;
    for (std::size_t at = 0; at < input.size();) {
        std::string_view chunk = std::string_view(input).substr(at, step);
        const std::size_t taken = s.Append(chunk);
        at += taken;
        while (s.Next(&piece, &whole)) {
            out.push_back({piece, whole});
        }
    }
    const std::string rest = s.TakeRest();
    if (!rest.empty()) {
        out.push_back({rest, false});
    }
    return out;
}

TEST(LineSplitter, CutsAtCrLfWhateverTheChunking) {
    const std::string input = "HTTP/1.0 200 OK\r\nA: 1\r\n\r\ntail";
    for (std::size_t step : {1u, 2u, 3u, 17u, 4096u}) {
        const auto out = Split(input, step, "\r\n");
        ASSERT_EQ(out.size(), 4u) << step;
        EXPECT_EQ(out[0].data, "HTTP/1.0 200 OK");
        EXPECT_EQ(out[1].data, "A: 1");
        EXPECT_EQ(out[2].data, "");
        EXPECT_TRUE(out[2].whole);
        EXPECT_EQ(out[3].data, "tail");
        EXPECT_FALSE(out[3].whole);
    }
}

TEST(LineSplitter, LoneLfIsNotALineEnd) {
    const auto out = Split("a\nb\r\n", 1, "\r\n");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].data, "a\nb");
}

TEST(LineSplitter, OverlongLineComesInBufferSizedPieces) {
    const std::string line(5000, 'x');
    const auto out = Split(line + "\r\nnext\r\n", 700, "\r\n");
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0].data.size(), 2048u);
    EXPECT_EQ(out[1].data.size(), 2048u);
    EXPECT_EQ(out[2].data.size(), 5000u - 4096u);
    EXPECT_EQ(out[3].data, "next");
}

TEST(LineSplitter, CrLfStraddlingAFullBufferStillEndsTheLine) {
    // 2047 bytes and a CR fill the buffer exactly; the LF comes next.
    const std::string line(2047, 'y');
    const auto out = Split(line + "\r\nz\r\n", 1, "\r\n");
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].data, line);
    EXPECT_EQ(out[1].data, "z");
}

TEST(LineSplitter, LineOfExactlyTheBufferSizeDoesNotEndTheHeaders) {
    const std::string line(2048, 'h');
    for (std::size_t step : {1u, 2048u, 4096u}) {
        const auto out = Split(line + "\r\nNext: 1\r\n\r\n", step, "\r\n");
        ASSERT_EQ(out.size(), 3u) << step;
        EXPECT_EQ(out[0].data, line);
        EXPECT_EQ(out[1].data, "Next: 1");
        EXPECT_EQ(out[2].data, "");
    }
}

TEST(LineSplitter, EmptyEndOfLineHandsOnRawPieces) {
    const std::string input(5000, 'b');
    std::size_t total = 0;
    for (const auto& p : Split(input, 3000, "")) {
        EXPECT_FALSE(p.whole);
        EXPECT_LE(p.data.size(), LineSplitter::kCapacity);
        total += p.data.size();
    }
    EXPECT_EQ(total, 5000u);
}

class Collect : public ResponseSink {
public:
    void OnRawMode() override { events.push_back("raw"); }
    void OnHeader(const std::string& f, const std::string& v) override {
        events.push_back("H[" + f + "][" + v + "]");
    }
    void OnStartOfBody() override { events.push_back("start"); }
    void OnBodyData(uint32_t total, std::string_view piece) override {
        events.push_back("B" + std::to_string(total) + ":" + std::string(piece));
    }
    std::vector<std::string> events;
};

TEST(ResponseReader, WalksStatusHeadersAndBody) {
    ResponseReader r;
    Collect c;
    for (const char* line : {"HTTP/1.0 302 Found", "Location: /x", "Odd:no space", "Two:  spaces",
                             " folded value", "\tTabbed", "NoColon", ""}) {
        r.OnData(line, c);
    }
    r.OnData("abc", c);
    r.OnData("de", c);
    EXPECT_EQ(r.StatusLine(), "HTTP/1.0 302 Found");
    EXPECT_EQ(r.state(), ResponseReader::State::Body);
    EXPECT_EQ(r.BodyBytes(), 5u);
    const std::vector<std::string> want = {"H[Location][/x]",
                                           "H[Odd][no space]",
                                           "H[Two][ spaces]",
                                           "H[][folded value]",
                                           "H[][Tabbed]",
                                           "H[NoColon][]",
                                           "raw",
                                           "start",
                                           "B3:abc",
                                           "B5:de"};
    EXPECT_EQ(c.events, want);
}

TEST(ResponseReader, StatusLineIsCappedAndResetClears) {
    ResponseReader r;
    Collect c;
    r.OnData(std::string(3000, 's'), c);
    EXPECT_EQ(r.StatusLine().size(), ResponseReader::kMaxStatusLine);
    r.Reset();
    EXPECT_FALSE(r.HasStatusLine());
    EXPECT_EQ(r.state(), ResponseReader::State::StatusLine);
}

TEST(ResponseReader, StatusCheckLooksAfterTheFirstSpace) {
    std::string reason;
    EXPECT_TRUE(ResponseReader::StatusIsSuccess("HTTP/1.0 200 OK", &reason));
    EXPECT_TRUE(ResponseReader::StatusIsSuccess("HTTP/1.1 204", &reason));
    EXPECT_FALSE(ResponseReader::StatusIsSuccess("HTTP/1.0 302 Found", &reason));
    EXPECT_EQ(reason, "302 Found");
    EXPECT_FALSE(ResponseReader::StatusIsSuccess("HTTP/1.0 404 File not found", &reason));
    EXPECT_EQ(reason, "404 File not found");
    EXPECT_FALSE(ResponseReader::StatusIsSuccess("garbage", &reason));
    EXPECT_FALSE(ResponseReader::StatusIsSuccess("HTTP/1.0 ", &reason));
    EXPECT_EQ(reason, "");
}

TEST(RequestFields, UrlPartsFromOneString) {
    RequestFields f;
    f.SetURL("http://host:8080/a/b?c");
    EXPECT_EQ(f.urlScheme, "http");
    EXPECT_EQ(f.urlServer, "host");
    EXPECT_EQ(f.urlPort, 8080);
    EXPECT_EQ(f.urlPath, "/a/b?c");
    EXPECT_EQ(f.url, "http://host:8080/a/b?c");

    f.SetURL("http://other");
    EXPECT_EQ(f.urlServer, "other");
    EXPECT_EQ(f.urlPort, 80);
    EXPECT_EQ(f.urlPath, "/");
}

TEST(RequestFields, UrlWithoutSchemeOrAuthorityKeepsServer) {
    RequestFields f;
    f.SetURL("http://keep.example/x");
    f.SetURL("bare/path");
    EXPECT_EQ(f.urlScheme, "http");
    EXPECT_EQ(f.urlPath, "/");
    EXPECT_EQ(f.urlServer, "keep.example");
}

TEST(RequestFields, UrlPortDigitsStopAtNonDigitAndOverflowGivesZero) {
    RequestFields f;
    f.SetURL("http://h:81x/p");
    EXPECT_EQ(f.urlPort, 81);
    f.SetURL("http://h:/p");
    EXPECT_EQ(f.urlPort, 0);
    f.SetURL("http://h:99999999999999999999/p");
    EXPECT_EQ(f.urlPort, 0);
    EXPECT_EQ(f.urlServer, "h");
    f.SetURL("HTTP://h/");
    EXPECT_EQ(f.urlScheme, "HTTP");
}

TEST(RequestFields, CredentialsFollowTheServer) {
    RequestFields f;
    f.SetURL("http://one/");
    f.SetUser("u");
    EXPECT_EQ(f.authorization, "");  // no password yet
    f.SetPassword("p");
    EXPECT_EQ(f.authorization, "Basic dTpw");
    f.SetURL("http://one/other");
    EXPECT_EQ(f.user, "u");
    f.SetURL("http://One/");  // a different server, exactly compared
    EXPECT_EQ(f.user, "");
    EXPECT_EQ(f.password, "");
    EXPECT_EQ(f.authorization, "");
}

TEST(RequestFields, Base64IsStandardAndByteClean) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
        {"\xe9\xff:\x80", "6f86gA=="},
    };
    for (const auto& [bytes, encoded] : cases) {
        EXPECT_EQ(Base64(bytes), encoded) << bytes;
    }
}

TEST(RequestFields, ProxyTargetCarriesTheAbsoluteUrl) {
    RequestFields f;
    f.SetURL("HTTP://srv/p?q");
    EXPECT_EQ(f.Target(), "/p?q");
    f.proxyServer = "proxy";
    EXPECT_EQ(f.Target(), "HTTP://srv/p?q");
    f.SetURL("http://srv:81/p");
    EXPECT_EQ(f.Target(), "http://srv:81/p");
    f.SetURL("http://srv:80/p");
    EXPECT_EQ(f.Target(), "http://srv/p");
}

TEST(RequestFields, HeadersInOrderSkippingEmptyAndWithoutInjectedLineEnds) {
    RequestFields f;
    f.SetURL("http://srv/");
    f.userAgent = "Agent";
    f.accept = "*/*";
    f.pragma = "no-cache\r\nX-Evil: 1";
    f.otherHeaders = "X-A: 1\r\nX-B: 2\r\n";
    EXPECT_EQ(f.RequestHead("GET"),
              "GET / HTTP/1.0\r\nAccept: */*\r\nUser-Agent: Agent\r\n"
              "Pragma: no-cacheX-Evil: 1\r\nX-A: 1\r\nX-B: 2\r\n");
    f.contentType = "text/plain";
    EXPECT_EQ(f.ContentTypeHeader(), "Content-Type: text/plain\r\n");
}

TEST(RequestFields, ResetKeepsAgentProxyAndVersion) {
    RequestFields f;
    f.SetURL("http://srv:81/p");
    f.userAgent = "A";
    f.proxyServer = "P";
    f.proxyPort = 3128;
    f.httpVersion = "HTTP/0.9";
    f.postData = "x";
    f.statusLine = "HTTP/1.0 200 OK";
    f.ResetHeaders();
    EXPECT_EQ(f.url, "");
    EXPECT_EQ(f.urlScheme, "");
    EXPECT_EQ(f.urlPath, "");
    EXPECT_EQ(f.urlPort, 80);
    EXPECT_EQ(f.postData, "");
    EXPECT_EQ(f.statusLine, "");
    EXPECT_EQ(f.userAgent, "A");
    EXPECT_EQ(f.proxyServer, "P");
    EXPECT_EQ(f.proxyPort, 3128);
    EXPECT_EQ(f.httpVersion, "HTTP/0.9");
}

TEST(ErrorTables, ErrnoAndResolverMapOntoSocketCodes) {
    EXPECT_EQ(WsaFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WsaFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(WsaFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(WsaFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WsaFromErrno(EAGAIN), 10035);
    EXPECT_EQ(WsaFromErrno(EINPROGRESS), 10036);
    EXPECT_EQ(WsaFromErrno(EPIPE), 10058);
    EXPECT_EQ(WsaFromErrno(0x7fff), 10022);
    EXPECT_EQ(WsaFromResolver(EAI_NONAME), 11001);
    EXPECT_EQ(WsaFromResolver(EAI_AGAIN), 11002);
    EXPECT_EQ(WsaFromResolver(EAI_FAIL), 11003);
    EXPECT_EQ(EngineMessage(20117),
              "RemotePort can't be zero. Please specify a valid service port number.");
    EXPECT_EQ(EngineMessage(20154), "Specified URLScheme is invalid.");
    EXPECT_EQ(EngineMessage(10061), "");
}

}  // namespace
}  // namespace fetchwire
