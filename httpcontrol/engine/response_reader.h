#pragma once
// The HTTP response reader: a pure state machine fed one line (status line,
// headers) or one raw piece (body) at a time by the line splitter.

#include <cstdint>
#include <string>
#include <string_view>

namespace fetchwire {

// What the reader reports, in the order it happens.
class ResponseSink {
public:
    virtual ~ResponseSink() = default;
    // The empty line ended the headers: the rest must arrive raw. Called
    // before OnStartOfBody so the splitter switches first.
    virtual void OnRawMode() = 0;
    virtual void OnHeader(const std::string& field, const std::string& value) = 0;
    virtual void OnStartOfBody() = 0;
    virtual void OnBodyData(uint32_t total, std::string_view piece) = 0;
};

class ResponseReader {
public:
    enum class State { StatusLine = 0, Headers = 1, Body = 2 };
    static constexpr std::size_t kMaxStatusLine = 1024;

    void Reset();
    void OnData(std::string_view data, ResponseSink& sink);

    State state() const { return state_; }
    bool HasStatusLine() const { return hasStatus_; }
    const std::string& StatusLine() const { return statusLine_; }
    uint32_t BodyBytes() const { return bodyBytes_; }

    // Splits a header line into field and value.
    static void SplitHeader(std::string_view line, std::string* field, std::string* value);
    // True when the character after the status line's first space is "2";
    // otherwise *reason is the text after that space (the whole line when
    // it has none).
    static bool StatusIsSuccess(std::string_view statusLine, std::string* reason);

private:
    State state_ = State::StatusLine;
    bool hasStatus_ = false;
    std::string statusLine_;
    uint32_t bodyBytes_ = 0;
};

}  // namespace fetchwire
