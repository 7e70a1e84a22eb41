#pragma once

#include <string>
#include <string_view>

#include "engine/run_settings.h"

namespace tavro {

// Finds and replaces the search string in single lines, the way the run's
// settings ask. Built once for a run and brought up to date before each file,
// so the work that depends only on the settings is not repeated per line.
class LineReplacer {
public:
    // Takes the settings the next file is processed with.
    void Prepare(const RunSettings& settings);

    // Whether the search string occurs in `line`.
    bool LineMatches(std::string_view line);

    // Replaces every occurrence in `line`, leaving the result in `out`, and
    // returns how many there were; with 0, `out` is not touched.
    int ReplaceLine(std::string_view line, std::string& out);

private:
    std::string_view Folded(std::string_view line);

    bool caseSensitive = true;
    std::string search;         // upper-cased when the search ignores case
    std::string replacement;
    std::string foldedLine;     // scratch for case-insensitive searches
};

// ASCII upper-casing: a to z become A to Z; the length never changes.
void UpperCaseInto(std::string_view text, std::string& out);

}  // namespace tavro
