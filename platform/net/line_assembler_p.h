#pragma once
// Cuts received bytes into the pieces one Receive event carries: a line with its
// line end, or at most `limit` bytes when no line end comes in time, so a peer that
// never ends a line cannot grow memory.

#include <QByteArray>
#include <QList>

namespace vantry::net {

class LineAssembler {
public:
    void setLimit(int limit) { limit_ = limit < 1 ? 1 : limit; }
    void setLineMode(bool on) { lineMode_ = on; }

    // Adds bytes and returns every piece now complete.
    QList<QByteArray> Feed(const QByteArray& data);
    // The unterminated rest (empty when there is none); the assembler is empty after.
    QByteArray TakeRest();
    qsizetype pending() const { return buffer_.size(); }

private:
    QByteArray buffer_;
    int limit_ = 8192;
    bool lineMode_ = true;
};

}  // namespace vantry::net
