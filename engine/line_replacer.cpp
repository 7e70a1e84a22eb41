#include "engine/line_replacer.h"

#include "engine/platform/text_search.h"

namespace tavro {

void UpperCaseInto(std::string_view text, std::string& out) {
    out.resize(text.size());
    const char* in = text.data();
    char* folded = out.data();
    // Branch-free, so the compiler can do many bytes at a time.
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        folded[i] = static_cast<char>(static_cast<unsigned char>(c - 'a') < 26 ? c - 32 : c);
    }
}

LineReplacer::LineReplacer() = default;
LineReplacer::~LineReplacer() = default;

void LineReplacer::Prepare(const RunSettings& settings) {
    regularExpression = settings.regularExpression;
    caseSensitive = settings.caseSensitive;
    replacement = settings.replaceString;
    blockSearch = !regularExpression && !settings.searchString.empty() &&
                  settings.searchString.find_first_of("\r\n") == std::string::npos;
    if (regularExpression) {
        // A pattern is compiled once and kept while the search string stays;
        // compiling afresh for every line would give the same program.
        if (!pattern || compiledFrom != settings.searchString) {
            pattern = std::make_unique<RegexPattern>();
            pattern->Compile(settings.searchString.c_str());
            compiledFrom = settings.searchString;
        }
        return;
    }
    std::string needle;
    if (caseSensitive) {
        needle = settings.searchString;
    } else {
        UpperCaseInto(settings.searchString, needle);
    }
    if (needle != search.Needle()) search = Searcher(std::move(needle), false);
}

std::string_view LineReplacer::Folded(std::string_view line) {
    if (caseSensitive) return line;
    UpperCaseInto(line, foldedLine);
    return foldedLine;
}

bool LineReplacer::LineMatches(std::string_view line) {
    if (regularExpression) {
        pattern->StartLine(line.size());
        return pattern->Exec(line) >= 0;
    }
    return search.Find(Folded(line)) != std::string_view::npos;
}

bool LineReplacer::BlockMatches(std::string_view bytes) {
    return FindBytes(Folded(bytes), search.Needle()) != std::string_view::npos;
}

int LineReplacer::ReplaceLine(std::string_view line, LineWriter& out) {
    if (!regularExpression) return ReplacePlain(line, out);
    pattern->StartLine(line.size());
    int count = 0;
    if (pattern->Exec(line) >= 0) {  // most lines: no copy, no edit
        editedLine.Assign(line);
        count = CountPatternReplacements(editedLine, *pattern, replacement);
        line = editedLine.View();
    }
    out.WriteLine(line);
    return count;
}

// Matches are found left to right and never overlap; the search goes on in the
// text after each match, so the replacement itself is never searched. Pieces
// are cut from the line as it stands, so unmatched text keeps its case.
int LineReplacer::ReplacePlain(std::string_view line, LineWriter& out) {
    std::string_view haystack = Folded(line);
    const std::size_t length = search.Needle().size();
    std::size_t at = length == 0 ? std::string_view::npos : search.Find(haystack);
    int count = 0;
    std::size_t rest = 0;
    while (at != std::string_view::npos) {
        ++count;
        out.Append(line.substr(rest, at - rest));
        out.Append(replacement);
        rest = at + length;
        std::size_t next = search.Find(haystack.substr(rest));
        at = next == std::string_view::npos ? next : rest + next;
    }
    out.Append(line.substr(rest));
    out.EndLine();
    return count;
}

int CountPatternReplacements(TextBuffer& line, RegexPattern& pattern, std::string_view replacement) {
    int count = 0;
    std::size_t pos = 0;
    std::string expansion;
    while (pos <= line.Length()) {
        std::ptrdiff_t match = pattern.Exec(line.View().substr(pos));
        if (match < 0) break;
        ++count;
        std::size_t start = pos + static_cast<std::size_t>(match);
        std::size_t length = pattern.MatchLength();
        pattern.Substitute(replacement, expansion);
        line.Replace(start, static_cast<std::ptrdiff_t>(length), expansion);
        pos = start + expansion.size();
        if (length == 0) ++pos;  // step over one byte, or the empty match recurs here
    }
    return count;
}

}  // namespace tavro
