#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro {

// One line of text as a growable byte string, edited in place by the
// regular-expression replacement. Positions and counts are byte offsets.
class TextBuffer {
public:
    TextBuffer() = default;
    explicit TextBuffer(std::string_view text) : bytes(text) {}

    void Assign(std::string_view text) { bytes.assign(text); }
    std::string_view View() const { return bytes; }
    std::size_t Length() const { return bytes.size(); }

    // `pos` must not lie beyond the end; inserting at the end appends.
    TextBuffer& Insert(std::size_t pos, std::string_view text);
    // Removes up to `count` bytes at `pos`; a negative count means to the end.
    TextBuffer& Delete(std::size_t pos, std::ptrdiff_t count);
    TextBuffer& Replace(std::size_t pos, std::ptrdiff_t count, std::string_view text);

    // Offset of the first occurrence of `text` at or after `start`, or -1. An
    // empty text is found at `start`.
    std::ptrdiff_t FindFrom(std::string_view text, std::size_t start) const;
    // Offset of the last occurrence of `text` that begins at or before `start`
    // (-1: from the last byte), or -1. An occurrence at offset 0 is never found.
    std::ptrdiff_t ReverseFind(std::string_view text, std::ptrdiff_t start) const;

private:
    std::string bytes;
};

}  // namespace tavro
