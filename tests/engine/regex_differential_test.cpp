// Compares RegexPattern with Python's `re` on generated patterns and subjects.
// Both are leftmost-first backtracking engines with greedy repetition, so for
// this syntax they agree on where a match starts, how long it is and what each
// group holds. Each pattern is generated as a tree and written twice, once in
// our syntax and once in Python's, so that the constructs where the two
// spellings differ are encoded rather than excluded:
//   - every literal byte other than a letter or digit is written \xHH for
//     Python (`{`, `}` and `]` are plain literals here, meta bytes there);
//   - a class is written for Python as its member list in \xHH form, since our
//     `]`-first and `-`-last rules and the signed range test are ours alone;
//   - `?` on a bare `^` or `$` is written (?:^)? for Python, which refuses to
//     repeat an anchor directly;
//   - Python compiles with DOTALL, because `.` here matches every byte.
// Left out: newlines in subjects (Python's `$` also matches before a final
// newline), and `*`/`+` on an operand that can match empty (refused by our
// compiler, accepted by Python). Group capture needs no exclusion: both keep
// the last pass through a group on the successful path and never reset the
// groups inside a repeated group. `^` and `$` in mid-pattern are generated:
// without MULTILINE Python also matches them only at the subject's ends.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/regex_pattern.h"

#ifndef TAVRO_SOURCE_DIR
#error "TAVRO_SOURCE_DIR must name the source tree, for tests/engine/regex_reference.py"
#endif

namespace tavro {
namespace {

constexpr std::uint32_t kSeed = 20240603;
constexpr int kPatterns = 1500;
constexpr int kSubjectsPerPattern = 24;
const char* const kTemplates[] = {"<&>", "[\\1|\\2]", "\\0\\3-", "", "x\\&y\\\\\\9"};

struct GeneratedPattern {
    std::string ours;
    std::string python;
};

class PatternGenerator {
public:
    explicit PatternGenerator(std::uint32_t seed) : rng(seed) {}

    GeneratedPattern Next() {
        groups = 0;
        Fragment f = Alternation(0);
        return {f.ours, f.python};
    }

    std::string Subject() {
        static const char kExtra[] = {'.', '*', '-', ']', '{', '\0', '\xE9', '\\'};
        std::string s;
        std::uint32_t length = Below(15);
        for (std::uint32_t i = 0; i < length; ++i) {
            if (Below(10) == 0) {
                s.push_back(kExtra[Below(sizeof kExtra)]);
            } else {
                s.push_back(static_cast<char>('a' + Below(3)));
            }
        }
        return s;
    }

private:
    struct Fragment {
        std::string ours;
        std::string python;
        bool hasWidth = false;
    };

    std::uint32_t Below(std::uint32_t n) { return rng() % n; }

    static std::string PythonByte(unsigned char c) {
        if (std::isalnum(c)) return std::string(1, static_cast<char>(c));
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        return hex;
    }

    static std::string OurByte(unsigned char c, bool forceEscape) {
        static const std::string kMeta = "^$.[()|?+*\\";
        std::string s;
        if (forceEscape || kMeta.find(static_cast<char>(c)) != std::string::npos) s.push_back('\\');
        s.push_back(static_cast<char>(c));
        return s;
    }

    unsigned char LiteralByte() {
        static const char kExtra[] = {'.', '*', '-', ']', '{', '}', '(', '|', '\\', '$', '\xE9'};
        if (Below(8) == 0) return static_cast<unsigned char>(kExtra[Below(sizeof kExtra)]);
        return static_cast<unsigned char>('a' + Below(3));
    }

    Fragment Alternation(int depth) {
        Fragment f = Branch(depth);
        std::uint32_t more = Below(4) == 0 ? 1 + Below(2) : 0;
        for (std::uint32_t i = 0; i < more; ++i) {
            Fragment b = Branch(depth);
            f.ours += "|" + b.ours;
            f.python += "|" + b.python;
            f.hasWidth = f.hasWidth && b.hasWidth;
        }
        return f;
    }

    Fragment Branch(int depth) {
        Fragment f;
        std::uint32_t pieces = Below(12) == 0 ? 0 : 1 + Below(depth == 0 ? 4 : 3);
        for (std::uint32_t i = 0; i < pieces; ++i) {
            Fragment p = Piece(depth);
            f.ours += p.ours;
            f.python += p.python;
            f.hasWidth = f.hasWidth || p.hasWidth;
        }
        return f;
    }

    Fragment Piece(int depth) {
        bool repeatable = true;
        bool anchor = false;
        Fragment f = Atom(depth, repeatable, anchor);
        if (!repeatable || Below(2) != 0) return f;
        std::uint32_t kind = Below(3);
        if (kind < 2 && !f.hasWidth) kind = 2;  // `*`/`+` need an operand with width
        const char op = "*+?"[kind];
        f.ours += op;
        f.python = anchor ? "(?:" + f.python + ")" + op : f.python + op;
        f.hasWidth = op == '+';
        return f;
    }

    Fragment Class() {
        std::vector<unsigned char> members;
        std::string ours = "[";
        const bool negated = Below(3) == 0;
        if (negated) ours += '^';
        const bool bracket = Below(6) == 0;
        const bool dash = Below(6) == 0;
        if (bracket) {
            ours += ']';
            members.push_back(']');
        }
        std::uint32_t items = 1 + Below(3);
        for (std::uint32_t i = 0; i < items; ++i) {
            auto low = static_cast<unsigned char>('a' + Below(4));
            if (Below(3) == 0) {
                auto high = static_cast<unsigned char>(low + Below(3));
                ours += static_cast<char>(low);
                ours += '-';
                ours += static_cast<char>(high);
                for (int c = low; c <= high; ++c) members.push_back(static_cast<unsigned char>(c));
            } else {
                unsigned char c =
                    Below(8) == 0 ? static_cast<unsigned char>("\xE9.*$"[Below(4)]) : low;
                ours += static_cast<char>(c);
                members.push_back(c);
            }
        }
        if (dash) {
            ours += '-';
            members.push_back('-');
        }
        ours += ']';
        std::string python = negated ? "[^" : "[";
        for (unsigned char c : members) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            python += hex;
        }
        python += ']';
        return {ours, python, true};
    }

    Fragment Atom(int depth, bool& repeatable, bool& anchor) {
        std::uint32_t kind = Below(20);
        if (kind < 8) {
            unsigned char c = LiteralByte();
            return {OurByte(c, Below(10) == 0), PythonByte(c), true};
        }
        if (kind < 10) {
            // A run of several bytes is one node here; it is never repeated,
            // since a repetition would take only its last byte.
            repeatable = false;
            Fragment f{"", "", true};
            std::uint32_t length = 2 + Below(2);
            for (std::uint32_t i = 0; i < length; ++i) {
                auto c = static_cast<unsigned char>('a' + Below(3));
                f.ours += static_cast<char>(c);
                f.python += PythonByte(c);
            }
            return f;
        }
        if (kind < 12) return {".", ".", true};
        if (kind < 15) return Class();
        if (kind < 18 && depth < 3 && groups < 9) {
            ++groups;
            Fragment inner = Alternation(depth + 1);
            return {"(" + inner.ours + ")", "(" + inner.python + ")", inner.hasWidth};
        }
        anchor = true;
        return Below(2) == 0 ? Fragment{"^", "^", false} : Fragment{"$", "$", false};
    }

    std::mt19937 rng;
    int groups = 0;
};

std::string Hex(const std::string& s) {
    std::string out;
    char hex[4];
    for (unsigned char c : s) {
        std::snprintf(hex, sizeof hex, "%02x", c);
        out += hex;
    }
    return out;
}

// Every match in the line replaced, searching each rest of the line behind
// the previous replacement; an empty match lets one byte through.
std::string RewriteLine(RegexPattern& regex, std::string line, std::string_view replacement,
                        int& count) {
    count = 0;
    regex.StartLine(line.size());
    std::size_t pos = 0;
    std::string text;
    for (;;) {
        std::ptrdiff_t offset = regex.Exec(std::string_view(line).substr(pos));
        if (offset < 0) break;
        ++count;
        std::size_t start = pos + static_cast<std::size_t>(offset);
        std::size_t length = regex.MatchLength();
        regex.Substitute(replacement, text);
        line.replace(start, length, text);
        pos = start + text.size();
        if (length == 0) {
            if (pos >= line.size()) break;
            ++pos;
        }
    }
    return line;
}

// Our result in the reference script's format.
std::string Describe(RegexPattern& regex, const std::string& subject, const char* replacement) {
    std::ostringstream out;
    std::ptrdiff_t offset = regex.Exec(subject);
    if (offset < 0) {
        out << "-1";
    } else {
        out << offset << ' ' << offset + static_cast<std::ptrdiff_t>(regex.MatchLength());
        for (int n = 1; n <= regex.GroupCount(); ++n) {
            out << ' ' << regex.GroupStart(n) << ' ' << regex.GroupEnd(n);
        }
    }
    int count = 0;
    std::string rewritten = RewriteLine(regex, subject, replacement, count);
    out << ';' << Hex(rewritten) << ';' << count;
    return out.str();
}

bool PythonAvailable() { return std::system("python3 -c \"\" >/dev/null 2>&1") == 0; }

TEST(RegexDifferential, AgreesWithPythonReOnGeneratedPatterns) {
    if (!PythonAvailable()) GTEST_SKIP() << "python3 is not on PATH";

    PatternGenerator generator(kSeed);
    std::vector<GeneratedPattern> patterns;
    std::vector<std::string> subjects;
    for (int p = 0; p < kPatterns; ++p) {
        patterns.push_back(generator.Next());
        for (int s = 0; s < kSubjectsPerPattern; ++s) subjects.push_back(generator.Subject());
    }
    auto replacementFor = [](std::size_t i) { return kTemplates[i % std::size(kTemplates)]; };

    // Named per run, so that builds testing side by side do not collide.
    const std::string stamp =
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::filesystem::path dir = ::testing::TempDir();
    const std::filesystem::path input = dir / ("regex_differential_cases_" + stamp + ".txt");
    const std::filesystem::path output = dir / ("regex_differential_results_" + stamp + ".txt");
    {
        std::ofstream file(input, std::ios::binary);
        for (std::size_t i = 0; i < subjects.size(); ++i) {
            file << Hex(patterns[i / kSubjectsPerPattern].python) << ' ' << Hex(subjects[i]) << ' '
                 << Hex(replacementFor(i)) << '\n';
        }
    }
    const std::string command = "python3 \"" TAVRO_SOURCE_DIR
                                "/tests/engine/regex_reference.py\" \"" +
                                input.string() + "\" \"" + output.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::ifstream results(output);
    std::string expected;
    int matched = 0;
    int failures = 0;
    RegexPattern regex;
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        const GeneratedPattern& pattern = patterns[i / kSubjectsPerPattern];
        ASSERT_TRUE(std::getline(results, expected)) << "the reference gave " << i << " results";
        ASSERT_NE(expected, "E") << "Python refused " << pattern.python;
        if (i % kSubjectsPerPattern == 0) {
            ASSERT_TRUE(regex.Compile(pattern.ours.c_str())) << pattern.ours;
        }
        const std::string actual = Describe(regex, subjects[i], replacementFor(i));
        EXPECT_FALSE(regex.TooComplex()) << pattern.ours;
        if (expected.rfind("-1;", 0) != 0) ++matched;
        if (actual != expected && ++failures <= 20) {
            ADD_FAILURE() << "pattern " << pattern.ours << "  (Python " << pattern.python
                          << ")\nsubject hex " << Hex(subjects[i]) << ", replacement "
                          << replacementFor(i) << "\n  ours   " << actual << "\n  python "
                          << expected;
        }
    }
    EXPECT_EQ(failures, 0);
    // The generator must keep producing matches, or the comparison says little.
    EXPECT_GT(matched, static_cast<int>(subjects.size()) / 4);
    std::filesystem::remove(input);
    std::filesystem::remove(output);
}

}  // namespace
}  // namespace tavro
