#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tavro {

// One compiled regular expression: the compiler, the backtracking matcher and
// the replacement expander of the search-and-replace engine. The syntax is
// literals, `.`, bracket classes, `^`, `$`, groups, `|` and the postfix `*`,
// `+`, `?`. Matching is byte-exact; a NUL byte is an ordinary byte of the
// subject, whose end is the end of the view handed to Exec.
class RegexPattern {
public:
    static constexpr int kGroups = 10;  // the whole match and nine groups

    RegexPattern();
    ~RegexPattern();
    RegexPattern(const RegexPattern&) = delete;
    RegexPattern& operator=(const RegexPattern&) = delete;

    // Compiles a NUL-terminated pattern. False on any syntax error, for a null
    // pattern and for a program that would reach 32,768 bytes; the object then
    // never matches.
    bool Compile(const char* pattern);

    // Offset of the leftmost match in `subject`, or -1. `^` matches only at the
    // start of `subject`, `$` only at its end. Gives up with -1 and sets
    // TooComplex() when the work since the last StartLine() exceeds the budget.
    std::ptrdiff_t Exec(std::string_view subject);

    // Starts the step budget for one line of `lineLength` bytes. Every Exec on
    // that line (and on the rests of it) draws from the same budget.
    void StartLine(std::size_t lineLength);
    bool TooComplex() const { return tooComplex; }

    // Length of the last successful match (0 after a failed Exec).
    std::size_t MatchLength() const;

    // Expands `replacement` (`&` and backslash-digit) from the last successful
    // match into `out`. False, leaving `out` empty, when the last Exec failed.
    bool Substitute(std::string_view replacement, std::string& out) const;

    // For tests and DumpProgram.
    bool IsCompiled() const { return compiled != 0; }
    const std::uint8_t* Program() const { return program.get(); }
    std::size_t ProgramSize() const { return static_cast<std::size_t>(programSize); }
    char FirstChar() const { return firstChar; }
    bool Anchored() const { return anchored != 0; }
    std::string_view MustString() const;
    int Flags() const { return compileFlags; }
    // Offsets of group n in the last subject, or -1 when it took no part.
    std::ptrdiff_t GroupStart(int n) const;
    std::ptrdiff_t GroupEnd(int n) const;

private:
    // The fields below are declared by the regex implementation files; see
    // regex_compiler.cpp, regex_matcher.cpp and regex_substitute.cpp.
    int emitting = 0;
    int compiled = 0;
    std::string matchCopy;
    bool haveMatch = false;
    const char* subStart[kGroups] = {};
    const char* subEnd[kGroups] = {};
    char firstChar = 0;
    std::uint8_t anchored = 0;
    const std::uint8_t* mustString = nullptr;
    int mustLength = 0;
    std::unique_ptr<std::uint8_t[]> program;
    const char* parsePos = nullptr;
    int groupCount = 1;
    std::uint8_t* emitPos = nullptr;
    std::uint8_t scratchNode[3] = {};
    int programSize = 0;
    int compileFlags = 0;
    const char* inputPos = nullptr;
    const char* lineStart = nullptr;
    const char* subjectEnd = nullptr;
    const char* subjectStart = nullptr;
    std::size_t stepsLeft = 0;
    bool tooComplex = false;
};

}  // namespace tavro
