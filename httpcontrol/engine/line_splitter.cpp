#include "engine/line_splitter.h"

#include <algorithm>
#include <cstring>

namespace fetchwire {

std::size_t LineSplitter::Append(std::string_view data) {
    const std::size_t n = std::min(data.size(), kCapacity - size_);
    std::memcpy(buf_ + size_, data.data(), n);
    size_ += n;
    return n;
}

void LineSplitter::Drop(std::size_t n) {
    std::memmove(buf_, buf_ + n, size_ - n);
    size_ -= n;
}

bool LineSplitter::Next(std::string* piece, bool* wholeLine) {
    if (size_ == 0) {
        return false;
    }
    const std::string_view held(buf_, size_);
    if (eol_.empty()) {
        piece->assign(held);
        *wholeLine = false;
        size_ = 0;
        afterCut_ = false;
        return true;
    }
    if (afterCut_) {
        if (held.size() < eol_.size() && std::string_view(eol_).starts_with(held)) {
            return false;  // cannot tell yet
        }
        afterCut_ = false;
        if (held.starts_with(eol_)) {
            Drop(eol_.size());
            return Next(piece, wholeLine);
        }
    }
    const std::size_t at = held.find(eol_);
    if (at != std::string_view::npos) {
        piece->assign(held.substr(0, at));
        *wholeLine = true;
        Drop(at + eol_.size());
        return true;
    }
    if (size_ < kCapacity) {
        return false;
    }
    // A full buffer without an end-of-line: cut a piece, but keep back a
    // trailing start of the end-of-line so a CR LF split by the cut still
    // ends the line instead of starting a stray one.
    std::size_t keep = 0;
    for (std::size_t k = std::min(eol_.size() - 1, size_ - 1); k > 0; --k) {
        if (held.substr(size_ - k) == std::string_view(eol_).substr(0, k)) {
            keep = k;
            break;
        }
    }
    piece->assign(held.substr(0, size_ - keep));
    *wholeLine = true;
    Drop(size_ - keep);
    afterCut_ = true;
    return true;
}

std::string LineSplitter::TakeRest() {
    std::string rest(buf_, size_);
    Clear();
    return rest;
}

}  // namespace fetchwire
