#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "engine/platform/file_services.h"

namespace tavro {

// The line reader's buffer. It grows without clearing the new bytes, and a
// large one through realloc, which the C library can often do in place by
// remapping: a line of hundreds of megabytes is then never held twice.
class ReadBuffer {
public:
    ReadBuffer() = default;
    ~ReadBuffer() { std::free(bytes); }
    ReadBuffer(const ReadBuffer&) = delete;
    ReadBuffer& operator=(const ReadBuffer&) = delete;

    char* data() { return bytes; }
    std::size_t size() const { return length; }
    char& operator[](std::size_t at) { return bytes[at]; }
    // Keeps the first bytes; the new ones are undefined. Throws
    // std::bad_alloc when the memory is not there.
    void resize(std::size_t newLength);

private:
    char* bytes = nullptr;
    std::size_t length = 0;
};

// Reads text lines from a file in large blocks. A line ends at LF; a CR right
// before the LF belongs to the line end; a last line without LF is still a
// line. Every other byte, NUL and 0x1A included, is part of the line.
class LineReader {
public:
    static constexpr std::size_t kBlockSize = 1 << 18;

    // `storage` is the reader's buffer; handing the same one to the reader of
    // every file saves allocating and clearing a block per file.
    // A line that would grow `storage` past `bufferLimit` bytes (0: no
    // limit) ends the reading as a failure.
    LineReader(InputFile& file, ReadBuffer& storage, std::size_t bufferLimit = 0)
        : file(file), buffer(storage), limit(bufferLimit) {}

    // The next line without its end; valid until the next call. False at the
    // end of the file or on a read error (then Failed()).
    bool ReadLine(std::string_view& line);
    bool Failed() const { return failed; }

    // Raw access for searches that need no line splitting: the bytes read but
    // not yet consumed, dropping bytes from their front, and reading more
    // (false at the end of the file or on an error).
    std::string_view Buffered() const { return {buffer.data() + begin, end - begin}; }
    void Consume(std::size_t count) { begin += count; }
    bool ReadMore() { return !atEnd && Refill(); }

private:
    bool Refill();

    InputFile& file;
    ReadBuffer& buffer;  // its size is the capacity in use; it never shrinks
    std::size_t limit;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool atEnd = false;
    bool failed = false;
};

// Writes text lines through a buffer, each followed by CR LF on every
// platform. The first failure is kept and reported by Close().
class LineWriter {
public:
    static constexpr std::size_t kBlockSize = 1 << 18;

    explicit LineWriter(OutputFile& file);

    void WriteLine(std::string_view line);
    // A line in pieces: Append them, then EndLine. Long lines never need to
    // be assembled in memory.
    void Append(std::string_view piece);
    void EndLine() { Append("\r\n"); }
    // Raw input text written the way WriteLine writes its lines: a CR goes
    // before every LF that has none. `previous` is the input byte before
    // `text` ('\n' at the start of a file) and becomes its last byte, so a
    // file can be passed through in pieces of any size.
    void AppendLines(std::string_view text, char& previous);
    // Writes out what is buffered; false when anything could not be written.
    bool Flush();
    // Flushes and closes the file; false when anything could not be written.
    bool Close();

private:
    OutputFile& file;
    std::unique_ptr<char[]> buffer;
    std::size_t used = 0;
    bool failed = false;
};

// Copies `size` bytes from `in` to `out`, putting a CR before every LF that is
// not preceded by one (`previous` is the byte before `in`, updated to the last
// byte copied). Returns the bytes written. `out` must hold 2 * size +
// kCopySlack bytes: the bytes past the copy may be written over.
inline constexpr std::size_t kCopySlack = 32;
std::size_t CopyWithCrLf(const char* in, std::size_t size, char* out, char& previous);

// Text as a log stores it: every "\n" becomes CR LF.
std::string ToCrLf(std::string_view text);

}  // namespace tavro
