#include "engine/response_reader.h"

namespace fetchwire {

void ResponseReader::Reset() {
    state_ = State::StatusLine;
    hasStatus_ = false;
    statusLine_.clear();
    bodyBytes_ = 0;
}

void ResponseReader::SplitHeader(std::string_view line, std::string* field, std::string* value) {
    const auto first = static_cast<unsigned char>(line.front());
    if (first == ' ' || first < 0x20 || first == 0x7F) {
        // A continuation or a stray control character: no field of its own.
        field->clear();
        value->assign(line.substr(1));
        return;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        field->assign(line);
        value->clear();
        return;
    }
    field->assign(line.substr(0, colon));
    std::string_view rest = line.substr(colon + 1);
    if (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    value->assign(rest);
}

bool ResponseReader::StatusIsSuccess(std::string_view statusLine, std::string* reason) {
    const std::size_t space = statusLine.find(' ');
    const std::string_view after =
        space == std::string_view::npos ? statusLine : statusLine.substr(space + 1);
    if (space != std::string_view::npos && !after.empty() && after.front() == '2') {
        return true;
    }
    reason->assign(after);
    return false;
}

void ResponseReader::OnData(std::string_view data, ResponseSink& sink) {
    switch (state_) {
        case State::StatusLine:
            statusLine_.assign(data.substr(0, kMaxStatusLine));
            hasStatus_ = true;
            bodyBytes_ = 0;
            state_ = State::Headers;
            return;
        case State::Headers: {
            if (data.empty()) {
                state_ = State::Body;
                sink.OnRawMode();
                sink.OnStartOfBody();
                return;
            }
            std::string field;
            std::string value;
            SplitHeader(data, &field, &value);
            sink.OnHeader(field, value);
            return;
        }
        case State::Body:
            bodyBytes_ += static_cast<uint32_t>(data.size());
            sink.OnBodyData(bodyBytes_, data);
            return;
    }
}

}  // namespace fetchwire
