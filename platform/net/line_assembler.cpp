#include "net/line_assembler_p.h"

namespace vantry::net {

QList<QByteArray> LineAssembler::Feed(const QByteArray& data) {
    QList<QByteArray> pieces;
    buffer_.append(data);
    qsizetype start = 0;
    while (start < buffer_.size()) {
        const qsizetype remaining = buffer_.size() - start;
        qsizetype take = 0;
        if (lineMode_) {
            const qsizetype lf = buffer_.indexOf('\n', start);
            if (lf >= 0 && lf - start + 1 <= limit_) {
                take = lf - start + 1;
            } else if (remaining >= limit_) {
                take = limit_;
            }
        } else {
            take = remaining < limit_ ? remaining : limit_;
        }
        if (take == 0) {
            break;
        }
        pieces.append(buffer_.mid(start, take));
        start += take;
    }
    buffer_.remove(0, start);
    return pieces;
}

QByteArray LineAssembler::TakeRest() {
    QByteArray rest;
    rest.swap(buffer_);
    return rest;
}

}  // namespace vantry::net
