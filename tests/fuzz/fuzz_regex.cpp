// Pattern, subject and template, separated by newlines: compile, search,
// expand and rewrite, checking what must hold for any input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/line_replacer.h"
#include "engine/platform/text_file.h"
#include "engine/regex_pattern.h"
#include "engine/text_buffer.h"

namespace {

struct StringFile : tavro::OutputFile {
    std::string text;
    bool Write(const char* data, std::size_t size) override {
        text.append(data, size);
        return true;
    }
    bool Close() override { return true; }
    tavro::FileError LastError() const override { return {}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t first = input.find('\n');
    std::string pattern(input.substr(0, first));
    std::string_view rest = first == std::string_view::npos ? "" : input.substr(first + 1);
    std::size_t second = rest.find('\n');
    std::string_view subject = rest.substr(0, second);
    std::string_view replacement = second == std::string_view::npos ? "" : rest.substr(second + 1);
    // Short inputs keep runaway patterns (which use up the whole step budget)
    // from slowing the fuzzer down to a crawl.
    if (pattern.size() > 200 || subject.size() > 400) return 0;

    tavro::RegexPattern regex;
    bool compiled = regex.Compile(pattern.c_str());
    regex.StartLine(subject.size());
    std::ptrdiff_t at = regex.Exec(subject);
    if (!compiled && at >= 0) std::abort();
    if (at >= 0) {
        if (static_cast<std::size_t>(at) + regex.MatchLength() > subject.size()) std::abort();
        for (int group = 1; group < tavro::RegexPattern::kGroups; ++group) {
            std::ptrdiff_t start = regex.GroupStart(group);
            std::ptrdiff_t end = regex.GroupEnd(group);
            if (start >= 0 && (end < start || static_cast<std::size_t>(end) > subject.size())) {
                std::abort();
            }
        }
        std::string expansion;
        if (!regex.Substitute(replacement, expansion)) std::abort();
    }
    // The rewrite builds its output piece by piece; it must equal editing the
    // line in place, match after match, as the plain definition goes.
    StringFile file;
    tavro::LineWriter out(file);
    std::string expansion;
    regex.StartLine(subject.size());
    int count = tavro::ReplacePatternMatches(subject, regex, replacement, expansion, out);
    out.Flush();
    if (regex.TooComplex()) return 0;
    tavro::TextBuffer line(subject);
    regex.StartLine(subject.size());
    int edits = 0;
    for (std::size_t pos = 0; pos <= line.Length();) {
        std::ptrdiff_t match = regex.Exec(line.View().substr(pos));
        if (match < 0) break;
        ++edits;
        std::size_t start = pos + static_cast<std::size_t>(match);
        std::size_t length = regex.MatchLength();
        regex.Substitute(replacement, expansion);
        line.Replace(start, static_cast<std::ptrdiff_t>(length), expansion);
        pos = start + expansion.size() + (length == 0 ? 1 : 0);
    }
    if (count != edits || file.text != line.View()) std::abort();
    return 0;
}
