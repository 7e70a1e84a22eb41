#include "engine/line_replacer.h"

namespace tavro {

void UpperCaseInto(std::string_view text, std::string& out) {
    out.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        out[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
}

void LineReplacer::Prepare(const RunSettings& settings) {
    caseSensitive = settings.caseSensitive;
    if (caseSensitive) {
        search = settings.searchString;
    } else {
        UpperCaseInto(settings.searchString, search);
    }
    replacement = settings.replaceString;
}

std::string_view LineReplacer::Folded(std::string_view line) {
    if (caseSensitive) return line;
    UpperCaseInto(line, foldedLine);
    return foldedLine;
}

bool LineReplacer::LineMatches(std::string_view line) {
    return Folded(line).find(search) != std::string_view::npos;
}

// Matches are found left to right and never overlap; the search goes on in the
// text after each match, so the replacement itself is never searched. Pieces
// are cut from the line as it stands, so unmatched text keeps its case.
int LineReplacer::ReplaceLine(std::string_view line, std::string& out) {
    std::string_view haystack = Folded(line);
    std::size_t at = haystack.find(search);
    if (at == std::string_view::npos || search.empty()) return 0;
    out.clear();
    int count = 0;
    std::size_t rest = 0;
    while (at != std::string_view::npos) {
        ++count;
        out.append(line, rest, at - rest);
        out.append(replacement);
        rest = at + search.size();
        at = haystack.find(search, rest);
    }
    out.append(line, rest);
    return count;
}

}  // namespace tavro
