#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "engine/line_replacer.h"
#include "engine/platform/text_file.h"

namespace tavro::test {
namespace {

// Hands out its text at most `chunk` bytes per read, so block edges fall
// anywhere: inside an occurrence, between CR and LF, on the last byte.
class ChunkedInput : public InputFile {
public:
    ChunkedInput(std::string text, std::size_t chunk) : text(std::move(text)), chunk(chunk) {}
    std::ptrdiff_t Read(char* buffer, std::size_t capacity) override {
        std::size_t count = std::min({capacity, chunk, text.size() - at});
        std::copy_n(text.data() + at, count, buffer);
        at += count;
        return static_cast<std::ptrdiff_t>(count);
    }

private:
    std::string text;
    std::size_t chunk;
    std::size_t at = 0;
};

class StringOutput : public OutputFile {
public:
    bool Write(const char* data, std::size_t size) override {
        text.append(data, size);
        return true;
    }
    bool Close() override { return true; }
    FileError LastError() const override { return {}; }
    std::string text;
};

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// The rewrite as the line-by-line definition has it, written the slow, plain
// way: split at LF (a CR before it belongs to the line end), replace each
// occurrence left to right, end every line with CR LF.
std::string ReferenceRewrite(const std::string& text, const std::string& search,
                             const std::string& replacement, bool caseSensitive, int& count) {
    std::string out;
    count = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t newline = text.find('\n', start);
        std::size_t end = newline == std::string::npos ? text.size() : newline;
        std::string line = text.substr(start, end - start);
        if (newline != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
        std::string haystack = caseSensitive ? line : Upper(line);
        std::string needle = caseSensitive ? search : Upper(search);
        std::size_t rest = 0;
        for (std::size_t at; (at = haystack.find(needle, rest)) != std::string::npos;) {
            out += line.substr(rest, at - rest) + replacement;
            rest = at + needle.size();
            ++count;
        }
        out += line.substr(rest) + "\r\n";
        start = newline == std::string::npos ? text.size() : newline + 1;
    }
    return out;
}

struct Rewritten {
    std::string text;
    int count = 0;
};

Rewritten Rewrite(LineReplacer& replacer, const std::string& text, std::size_t chunk,
                  bool byLines) {
    ChunkedInput input(text, chunk);
    StringOutput output;
    ReadBuffer storage;
    LineReader reader(input, storage);
    LineWriter writer(output);
    Rewritten result;
    if (byLines) {
        std::string_view line;
        while (reader.ReadLine(line)) result.count += replacer.ReplaceLine(line, writer);
    } else {
        result.count = replacer.ReplaceStream(reader, writer);
    }
    EXPECT_TRUE(writer.Flush());
    result.text = output.text;
    return result;
}

RunSettings Settings(std::string search, std::string replacement, bool caseSensitive) {
    RunSettings settings;
    settings.searchString = std::move(search);
    settings.replaceString = std::move(replacement);
    settings.caseSensitive = caseSensitive;
    return settings;
}

// Random text over a small alphabet, so the search string, its first bytes,
// other cases of it, CR, LF and NUL all turn up often and next to each other.
TEST(StreamRewrite, AgreesWithTheLineByLineDefinition) {
    std::mt19937 random(11);
    const std::string alphabet("abAB\r\n\n \0\x80", 10);
    const std::string replacements[] = {"", "X", "line\nbreak\r", "\r", "abab"};
    LineReplacer replacer;
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        std::size_t length = random() % 200;
        for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
        std::string search;
        std::size_t searchLength = 1 + random() % 4;
        for (std::size_t i = 0; i < searchLength; ++i) search += "abAB \x80"[random() % 6];
        bool caseSensitive = random() % 2 == 0;
        const std::string& replacement = replacements[random() % 5];
        replacer.Prepare(Settings(search, replacement, caseSensitive));
        ASSERT_TRUE(replacer.CanSearchBlocks());
        int expectedCount = 0;
        std::string expected = ReferenceRewrite(text, search, replacement, caseSensitive, expectedCount);
        std::size_t chunk = 1 + random() % 9;
        for (bool byLines : {false, true}) {
            Rewritten got = Rewrite(replacer, text, chunk, byLines);
            ASSERT_EQ(got.text, expected) << "text " << testing::PrintToString(text) << " search "
                                          << search << (byLines ? " by lines" : " in blocks");
            ASSERT_EQ(got.count, expectedCount);
        }
    }
}

// Large reads, long lines and occurrences across the reader's own block edge.
TEST(StreamRewrite, LongLinesAcrossManyBlocks) {
    const std::string search = "OldCompanyName";
    std::string text;
    for (int i = 0; i < 40000; ++i) {
        text += std::string(static_cast<std::size_t>(i % 97), 'x') + search;
        text += i % 5 == 0 ? "\r\n" : i % 7 == 0 ? "" : "\n";
    }
    LineReplacer replacer;
    for (bool caseSensitive : {true, false}) {
        replacer.Prepare(Settings(caseSensitive ? search : "oldcompanyNAME", "N", caseSensitive));
        int expectedCount = 0;
        std::string expected = ReferenceRewrite(text, search, "N", true, expectedCount);
        for (std::size_t chunk : {std::size_t{1} << 20, std::size_t{65537}}) {
            Rewritten got = Rewrite(replacer, text, chunk, false);
            EXPECT_EQ(got.text, expected);
            EXPECT_EQ(got.count, 40000);
        }
    }
}

TEST(StreamRewrite, LineEndsAtTheEndOfTheFile) {
    LineReplacer replacer;
    replacer.Prepare(Settings("old", "new", true));
    const struct {
        std::string text;
        std::string expected;
    } kCases[] = {
        {"", ""},
        {"\n", "\r\n"},
        {"old", "new\r\n"},
        {"a\r", "a\r\r\n"},
        {"a\r\nold\r", "a\r\nnew\r\r\n"},
        {"old\r\n\r\n", "new\r\n\r\n"},
        {"\r\r\n\n", "\r\r\n\r\n"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(Rewrite(replacer, c.text, 2, false).text, c.expected)
            << testing::PrintToString(c.text);
    }
}

// The copy that adds the missing CRs, at every offset and length of one
// buffer, so whole 16-byte steps, their tails and the byte carried from the
// previous piece are all covered.
TEST(CopyWithCrLf, AddsCrBeforeEveryBareLf) {
    std::mt19937 random(5);
    std::string source;
    for (int i = 0; i < 160; ++i) source += "ab\r\n\n"[random() % 5];
    for (std::size_t start = 0; start < 40; ++start) {
        for (std::size_t size = 0; start + size <= source.size(); ++size) {
            for (char previous : {'\r', 'x'}) {
                std::string expected;
                char before = previous;
                for (std::size_t i = start; i < start + size; ++i) {
                    if (source[i] == '\n' && before != '\r') expected += '\r';
                    expected += source[i];
                    before = source[i];
                }
                char carried = previous;
                // Exactly as large as promised, so that writing past it shows.
                auto out = std::make_unique<char[]>(2 * size + kCopySlack);
                std::size_t written = CopyWithCrLf(source.data() + start, size, out.get(), carried);
                ASSERT_EQ(std::string(out.get(), written), expected) << start << " " << size;
                ASSERT_EQ(carried, before);
            }
        }
    }
}

}  // namespace
}  // namespace tavro::test
