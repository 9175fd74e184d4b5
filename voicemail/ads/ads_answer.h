#pragma once
// The relay server's answer to the ad list request, as the socket hands it
// over: one line per call (line end included), or a piece of a longer line.
// It keeps the receive buffer and the Last-Modified text and says, per line,
// whether the connection is to be closed; at the server's orderly close it
// yields the ad lines to merge. Pure: no sockets, no windows.
//
//   AdsAnswer answer;
//   for each received line: if (answer.Receive(line) != AdsAnswer::Step::Continue) ...
//   at an orderly close:    AdsAnswer::Result r = answer.Finish();

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace murmel {

class AdsAnswer {
public:
    enum class Step {
        Continue,
        Close,           // an error status: close the socket, keep the window
        CloseAndUnload,  // not modified: close the socket and unload the window
    };
    struct Result {
        bool complete = false;  // false: nothing is to change
        std::vector<QByteArray> lines;
        std::optional<QString> lastModified;
    };

    Step Receive(QByteArrayView piece);
    Result Finish() const;

    const QByteArray& buffer() const { return buffer_; }
    const std::optional<QString>& lastModified() const { return lastModified_; }

private:
    QByteArray buffer_;
    std::optional<QString> lastModified_;
    bool atLineStart_ = true;
    bool firstLine_ = true;
    bool inHeaders_ = true;
    bool overflowed_ = false;  // bytes were dropped: the answer is not used
};

}  // namespace murmel
