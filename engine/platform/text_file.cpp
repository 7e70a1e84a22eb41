#include "engine/platform/text_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavro {

void ReadBuffer::resize(std::size_t newLength) {
    if (newLength > length) {
        void* grown = std::realloc(bytes, newLength);
        if (grown == nullptr) throw std::bad_alloc();
        bytes = static_cast<char*>(grown);
    }
    length = newLength;
}

bool LineReader::Refill() {
    if (begin > 0) {
        std::memmove(buffer.data(), buffer.data() + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    // A line longer than the buffer grows it, by half at a time so a long
    // line costs few reallocations; the part not yet read into takes no memory.
    if (buffer.size() < kBlockSize || buffer.size() - end < kBlockSize / 4) {
        std::size_t grown = std::max(end + kBlockSize, buffer.size() + buffer.size() / 2);
        if (limit != 0) {
            grown = std::min(grown, std::max(limit, buffer.size()));
            if (end == grown) {  // full at the limit: the line is longer
                failed = true;
                atEnd = true;
                return false;
            }
        }
        buffer.resize(grown);
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

LineWriter::LineWriter(OutputFile& file)
    : file(file), buffer(std::make_unique_for_overwrite<char[]>(kBlockSize)) {}

void LineWriter::WriteLine(std::string_view line) {
    Append(line);
    EndLine();
}

void LineWriter::Append(std::string_view piece) {
    if (failed) return;
    if (used + piece.size() > kBlockSize) {
        Flush();
        if (piece.size() > kBlockSize) {
            failed = !file.Write(piece.data(), piece.size());
            return;
        }
    }
    std::memcpy(buffer.get() + used, piece.data(), piece.size());
    used += piece.size();
}

void LineWriter::AppendLines(std::string_view text, char& previous) {
    while (!text.empty()) {
        // Each piece fits the buffer even if every byte is an LF.
        if (kBlockSize - used < 2 * 4096) Flush();
        std::size_t piece = std::min(text.size(), (kBlockSize - used - kCopySlack) / 2);
        used += CopyWithCrLf(text.data(), piece, buffer.get() + used, previous);
        text.remove_prefix(piece);
    }
}

bool LineWriter::Flush() {
    if (!failed && used > 0) failed = !file.Write(buffer.get(), used);
    used = 0;
    return !failed;
}

bool LineWriter::Close() {
    Flush();
    bool closed = file.Close();
    return closed && !failed;
}

// Sixteen bytes are stored at a time whether or not they hold an LF; a CR
// that has to go in is written over the LF's place and the rest of the
// sixteen stored again one byte further on. Input that already ends its lines
// with CR LF is copied as it stands.
std::size_t CopyWithCrLf(const char* in, std::size_t size, char* out, char& previous) {
    char* written = out;
    std::size_t at = 0;
    char before = previous;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; at + 16 <= size; at += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(written), bytes);
        auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
        if (lfs != 0) {
            auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
            unsigned afterCr = (crs << 1) | (before == '\r' ? 1u : 0u);
            std::size_t inserted = 0;
            for (unsigned bare = lfs & ~afterCr; bare != 0; bare &= bare - 1) {
                auto offset = static_cast<std::size_t>(std::countr_zero(bare));
                written[offset + inserted] = '\r';
                ++inserted;
                char* rest = written + offset + inserted;
                if (at + offset + 16 <= size) {
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(rest),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at + offset)));
                } else {
                    std::memcpy(rest, in + at + offset, 16 - offset);  // near the end: no load past it
                }
            }
            written += inserted;
        }
        written += 16;
        before = in[at + 15];
    }
#endif
    for (; at < size; ++at) {
        char c = in[at];
        if (c == '\n' && before != '\r') *written++ = '\r';
        *written++ = c;
        before = c;
    }
    previous = before;
    return static_cast<std::size_t>(written - out);
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
