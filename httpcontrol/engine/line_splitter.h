#pragma once
// The channel's 2048-byte receive buffer cut into lines by the current
// end-of-line text, or handed on raw when the end-of-line is empty. A line
// that does not fit the buffer goes on in 2048-byte pieces, each as a line.

#include <cstddef>
#include <string>
#include <string_view>

namespace fetchwire {

class LineSplitter {
public:
    static constexpr std::size_t kCapacity = 2048;

    void SetEndOfLine(std::string_view eol) { eol_ = eol; }
    const std::string& EndOfLine() const { return eol_; }

    // Copies as much of data as fits; returns how much was taken.
    std::size_t Append(std::string_view data);

    // The next piece to deliver: a complete line without its end-of-line, a
    // full buffer's worth of a longer line, or (end-of-line empty) all that
    // is buffered. False when nothing is ready.
    bool Next(std::string* piece, bool* wholeLine);
    // Everything still buffered, as at close; the buffer is emptied.
    std::string TakeRest();

    std::size_t Buffered() const { return size_; }
    void Clear() {
        size_ = 0;
        afterCut_ = false;
    }

private:
    void Drop(std::size_t n);

    char buf_[kCapacity];
    std::size_t size_ = 0;
    std::string eol_ = "\r\n";
    // The last piece was cut from a long line: an end-of-line that follows
    // at once ends that line, not an empty one.
    bool afterCut_ = false;
};

}  // namespace fetchwire
