#include "engine/platform/text_file.h"

#include <cstring>

namespace tavro {

bool LineReader::Refill() {
    if (begin > 0) {
        std::memmove(buffer.data(), buffer.data() + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    // A line longer than the buffer grows it; the buffer never holds more than
    // the longest line plus one block.
    if (buffer.size() < kBlockSize || buffer.size() - end < kBlockSize / 4) {
        buffer.resize(end + kBlockSize);
    }
    std::ptrdiff_t got = file.Read(buffer.data() + end, buffer.size() - end);
    if (got < 0) {
        failed = true;
        atEnd = true;
        return false;
    }
    if (got == 0) {
        atEnd = true;
        return false;
    }
    end += static_cast<std::size_t>(got);
    return true;
}

bool LineReader::ReadLine(std::string_view& line) {
    std::size_t searchFrom = begin;
    for (;;) {
        const char* start = buffer.data() + searchFrom;
        const void* newline = end > searchFrom ? std::memchr(start, '\n', end - searchFrom) : nullptr;
        if (newline != nullptr) {
            std::size_t at = static_cast<std::size_t>(static_cast<const char*>(newline) - buffer.data());
            std::size_t length = at - begin;
            if (length > 0 && buffer[at - 1] == '\r') --length;
            line = std::string_view(buffer.data() + begin, length);
            begin = at + 1;
            return true;
        }
        std::size_t scanned = end - begin;
        if (atEnd || !Refill()) {
            if (failed || begin == end) return false;
            line = std::string_view(buffer.data() + begin, end - begin);
            begin = end;
            return true;
        }
        searchFrom = begin + scanned;
    }
}

void LineWriter::WriteLine(std::string_view line) {
    Append(line);
    EndLine();
}

void LineWriter::Append(std::string_view piece) {
    if (failed) return;
    if (buffer.size() + piece.size() > kBlockSize) {
        Flush();
        if (piece.size() > kBlockSize) {
            failed = !file.Write(piece.data(), piece.size());
            return;
        }
    }
    buffer.append(piece);
}

bool LineWriter::Flush() {
    if (!failed && !buffer.empty()) failed = !file.Write(buffer.data(), buffer.size());
    buffer.clear();
    return !failed;
}

bool LineWriter::Close() {
    Flush();
    bool closed = file.Close();
    return closed && !failed;
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace tavro
