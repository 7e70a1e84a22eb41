#include "engine/text_buffer.h"

namespace tavro {

TextBuffer& TextBuffer::Insert(std::size_t pos, std::string_view text) {
    if (!text.empty()) bytes.insert(pos, text);
    return *this;
}

TextBuffer& TextBuffer::Delete(std::size_t pos, std::ptrdiff_t count) {
    if (pos >= bytes.size()) return *this;
    std::size_t rest = bytes.size() - pos;
    std::size_t removed = count < 0 || static_cast<std::size_t>(count) > rest
                              ? rest
                              : static_cast<std::size_t>(count);
    bytes.erase(pos, removed);
    return *this;
}

TextBuffer& TextBuffer::Replace(std::size_t pos, std::ptrdiff_t count, std::string_view text) {
    if (pos < bytes.size() && count >= 0 && static_cast<std::size_t>(count) <= bytes.size() - pos) {
        bytes.replace(pos, static_cast<std::size_t>(count), text);  // one move of the tail
        return *this;
    }
    return Delete(pos, count).Insert(pos, text);
}

std::ptrdiff_t TextBuffer::FindFrom(std::string_view text, std::size_t start) const {
    std::size_t at = std::string_view(bytes).find(text, start);
    return at == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(at);
}

std::ptrdiff_t TextBuffer::ReverseFind(std::string_view text, std::ptrdiff_t start) const {
    if (text.empty() || bytes.empty()) return -1;
    std::ptrdiff_t length = static_cast<std::ptrdiff_t>(bytes.size());
    std::ptrdiff_t p = start == -1 || start >= length ? length - 1 : start;
    std::string_view view = bytes;
    for (; p > 0; --p) {
        if (view.substr(static_cast<std::size_t>(p), text.size()) == text) return p;
    }
    return -1;
}

}  // namespace tavro
