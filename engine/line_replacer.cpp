#include "engine/line_replacer.h"

#include <algorithm>

namespace tavro {

LineReplacer::LineReplacer() = default;
LineReplacer::~LineReplacer() = default;

void LineReplacer::Prepare(const RunSettings& settings) {
    regularExpression = settings.regularExpression;
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
    bool ignoreCase = !settings.caseSensitive;
    if (settings.searchString != search.Needle() || ignoreCase != search.IgnoresCase()) {
        search = Searcher(settings.searchString, ignoreCase);
    }
}

bool LineReplacer::LineMatches(std::string_view line) {
    if (regularExpression) {
        pattern->StartLine(line.size());
        return pattern->Exec(line) >= 0;
    }
    return search.Find(line) != std::string_view::npos;
}

bool LineReplacer::BlockMatches(std::string_view bytes) const {
    return search.Find(bytes) != std::string_view::npos;
}

int LineReplacer::ReplaceLine(std::string_view line, LineWriter& out) {
    if (!regularExpression) return ReplacePlain(line, out);
    pattern->StartLine(line.size());
    int count = 0;
    if (pattern->Exec(line) >= 0) {  // most lines: written as they stand
        count = ReplacePatternMatches(line, *pattern, replacement, expansion, out);
    } else {
        out.Append(line);
    }
    out.EndLine();
    return count;
}

// Matches are found left to right and never overlap; the search goes on in the
// text after each match, so the replacement itself is never searched.
int LineReplacer::ReplacePlain(std::string_view line, LineWriter& out) const {
    const std::size_t length = search.Needle().size();
    int count = 0;
    std::size_t rest = 0;
    for (std::size_t at; length > 0 && (at = search.Find(line.substr(rest))) != std::string_view::npos;) {
        ++count;
        out.Append(line.substr(rest, at));
        out.Append(replacement);
        rest += at + length;
    }
    out.Append(line.substr(rest));
    out.EndLine();
    return count;
}

// A match never holds a line end here, so it lies wholly within one line and
// the blocks can be searched as they are read. Only the last length - 1 bytes
// of a block are held back: an occurrence may begin there and end in the next.
int LineReplacer::ReplaceStream(LineReader& in, LineWriter& out) const {
    const std::size_t length = search.Needle().size();
    char previous = '\n';  // as at the start of a line
    int count = 0;
    do {
        std::string_view block = in.Buffered();
        std::size_t rest = 0;
        for (std::size_t at; (at = search.Find(block.substr(rest))) != std::string_view::npos;) {
            ++count;
            out.AppendLines(block.substr(rest, at), previous);
            out.Append(replacement);
            rest += at + length;
            previous = block[rest - 1];
        }
        std::size_t done = std::max(rest, block.size() - std::min(block.size(), length - 1));
        out.AppendLines(block.substr(rest, done - rest), previous);
        in.Consume(done);
    } while (in.ReadMore());
    out.AppendLines(in.Buffered(), previous);
    in.Consume(in.Buffered().size());
    // A last line without LF is still a line, and gets its line end.
    if (previous != '\n') out.EndLine();
    return count;
}

int ReplacePatternMatches(std::string_view line, RegexPattern& pattern,
                          std::string_view replacement, std::string& expansion, LineWriter& out) {
    int count = 0;
    std::size_t pos = 0;     // where the next search starts
    std::size_t copied = 0;  // the line before this is written
    while (pos <= line.size()) {
        std::ptrdiff_t match = pattern.Exec(line.substr(pos));
        if (match < 0) break;
        ++count;
        std::size_t start = pos + static_cast<std::size_t>(match);
        std::size_t length = pattern.MatchLength();
        pattern.Substitute(replacement, expansion);
        out.Append(line.substr(copied, start - copied));
        out.Append(expansion);
        copied = start + length;
        pos = copied;
        if (length == 0) ++pos;  // step over one byte, or the empty match recurs here
    }
    out.Append(line.substr(copied));
    return count;
}

}  // namespace tavro
