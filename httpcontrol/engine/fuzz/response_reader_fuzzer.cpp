// Arbitrary bytes, in arbitrary splits, through the line splitter and the
// response reader exactly as the channel feeds them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/line_splitter.h"
#include "engine/response_reader.h"

namespace {

class Checker : public fetchwire::ResponseSink {
public:
    explicit Checker(fetchwire::LineSplitter& s) : splitter_(s) {}
    void OnRawMode() override { splitter_.SetEndOfLine({}); }
    void OnHeader(const std::string& field, const std::string& value) override {
        if (started_ || field.size() + value.size() > fetchwire::LineSplitter::kCapacity) {
            std::abort();
        }
    }
    void OnStartOfBody() override {
        if (started_) {
            std::abort();
        }
        started_ = true;
    }
    void OnBodyData(uint32_t total, std::string_view piece) override {
        if (!started_ || piece.size() > fetchwire::LineSplitter::kCapacity) {
            std::abort();
        }
        body_ += piece.size();
        if (total != static_cast<uint32_t>(body_)) {
            std::abort();
        }
    }
    std::size_t body() const { return body_; }

private:
    fetchwire::LineSplitter& splitter_;
    bool started_ = false;
    std::size_t body_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte picks the chunk sizes the "network" delivers.
    const std::size_t seed = data[0];
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    fetchwire::LineSplitter splitter;
    fetchwire::ResponseReader reader;
    Checker checker(splitter);
    std::string piece;
    bool whole = false;
    std::size_t fed = 0;
    std::size_t delivered = 0;
    std::size_t round = 0;
    auto drain = [&] {
        while (splitter.Next(&piece, &whole)) {
            delivered += piece.size();
            reader.OnData(piece, checker);
        }
    };
    while (fed < input.size()) {
        const std::size_t chunk = 1 + (seed * 31 + round++ * 17) % 3000;
        fed += splitter.Append(input.substr(fed, chunk));
        drain();
    }
    drain();
    const std::string rest = splitter.TakeRest();
    if (!rest.empty()) {
        reader.OnData(rest, checker);
    }
    if (reader.StatusLine().size() > fetchwire::ResponseReader::kMaxStatusLine) {
        std::abort();
    }
    if (reader.BodyBytes() != static_cast<uint32_t>(checker.body())) {
        std::abort();
    }
    std::string reason;
    fetchwire::ResponseReader::StatusIsSuccess(reader.StatusLine(), &reason);
    return 0;
}
