#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/platform/text_file.h"
#include "engine/platform/text_search.h"
#include "engine/regex_pattern.h"
#include "engine/run_settings.h"

namespace tavro {

// Finds and replaces the search string in single lines, the way the run's
// settings ask. Built once for a run and brought up to date before each file,
// so the work that depends only on the settings (upper-casing the search
// string, compiling a pattern) is not repeated per line.
class LineReplacer {
public:
    LineReplacer();
    ~LineReplacer();

    // Takes the settings the next file is processed with.
    void Prepare(const RunSettings& settings);

    // Whether the search string occurs in `line`.
    bool LineMatches(std::string_view line);

    // Whether any run of bytes holding no line end can be searched as it
    // stands, without splitting it into lines: true for plain search strings
    // that hold no CR or LF themselves, since a match can then never reach
    // across a line end.
    bool CanSearchBlocks() const { return blockSearch; }
    // Whether the search string occurs in `bytes`; only with CanSearchBlocks().
    bool BlockMatches(std::string_view bytes) const;
    std::size_t SearchLength() const { return search.Needle().size(); }

    // Writes the rest of `in` to `out` as ReplaceLine would write it line by
    // line, and returns how many occurrences were replaced; only with
    // CanSearchBlocks(). The text is handled in blocks, so neither the number
    // of lines nor their length costs anything beyond the copy itself.
    int ReplaceStream(LineReader& in, LineWriter& out) const;

    // Writes `line` with every occurrence replaced, and its line end, to
    // `out`, and returns how many occurrences there were.
    int ReplaceLine(std::string_view line, LineWriter& out);

    // The last line asked more of the pattern matcher than its budget allows;
    // the line's result is then not to be trusted.
    bool TooComplex() const { return pattern && pattern->TooComplex(); }

private:
    int ReplacePlain(std::string_view line, LineWriter& out) const;

    bool regularExpression = false;
    bool blockSearch = false;
    Searcher search;
    std::string replacement;
    std::string compiledFrom;   // the pattern `pattern` was compiled from
    std::unique_ptr<RegexPattern> pattern;
    std::string expansion;      // scratch for one match's replacement
};

// Writes `line` with every match of a compiled pattern replaced by the
// expansion of `replacement` to `out` (without a line end) and returns the
// number of replacements. The replacement is never searched again; after an
// empty match one byte is stepped over, so the loop always ends. The caller
// starts the pattern's budget for the line.
int ReplacePatternMatches(std::string_view line, RegexPattern& pattern,
                          std::string_view replacement, std::string& expansion, LineWriter& out);

}  // namespace tavro
