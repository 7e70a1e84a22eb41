#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// One compiled regular expression: the compiler, the backtracking matcher and
// the replacement expander of the search-and-replace engine. The syntax is
// literals, `.`, bracket classes, `^`, `$`, groups, `|` and the postfix `*`,
// `+`, `?`. Matching is byte-exact; a NUL byte is an ordinary byte of the
// subject, whose end is the end of the view handed to Exec.
class RegexPattern {
public:
    static constexpr int kGroups = 10;  // the whole match and nine groups

    // Work allowed per line: kStepBudgetBase plus kStepBudgetPerByte for every
    // byte of the line. A step is one node executed or one backtrack resumed;
    // byte scans inside a repetition cost one step per kScanBytesPerStep bytes.
    // Rewriting a whole line with an ordinary pattern takes well under 15 steps
    // a byte, while an exponential one such as `(a|aa)*b` on a megabyte of `a`
    // is given up after about 74 million steps, well under a second.
    static constexpr std::uint64_t kStepBudgetBase = 10'000'000;
    static constexpr std::uint64_t kStepBudgetPerByte = 64;
    static constexpr std::size_t kScanBytesPerStep = 32;
    static std::uint64_t StepBudget(std::size_t lineLength);

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
    // Without any StartLine() each Exec gets the budget of its own subject. A
    // default (null) view is the empty subject.
    std::ptrdiff_t Exec(std::string_view subject);

    // Starts the step budget for one line of `lineLength` bytes. Every Exec on
    // that line (and on the rests of it) draws from the same budget.
    void StartLine(std::size_t lineLength);
    bool TooComplex() const { return tooComplex; }
    std::uint64_t StepsLeft() const { return stepsLeft; }  // of the current line's budget

    // Length of the last successful match (0 after a failed Exec).
    std::size_t MatchLength() const;

    // Expands `replacement` (`&` and backslash-digit) from the last successful
    // match into `out`. False, leaving `out` empty, when the last Exec failed.
    bool Substitute(std::string_view replacement, std::string& out) const;

    // For tests and DumpProgram.
    bool IsCompiled() const { return compiled != 0; }
    const std::uint8_t* Program() const { return program.get(); }
    std::size_t ProgramSize() const { return program ? static_cast<std::size_t>(programSize) : 0; }
    char FirstChar() const { return firstChar; }
    bool Anchored() const { return anchored != 0; }
    std::string_view MustString() const;
    int Flags() const { return compileFlags; }
    int GroupCount() const { return compiled ? groupCount - 1 : 0; }  // groups in the pattern
    // Offsets of group n in the last subject, or -1 when it took no part.
    std::ptrdiff_t GroupStart(int n) const;
    std::ptrdiff_t GroupEnd(int n) const;

private:
    // One entry of the backtracking stack, packed into 64 bits: a kind, a
    // program offset or capture slot, and a subject offset.
    using StackEntry = std::uint64_t;
    struct ByteSet {
        std::uint64_t bits[4] = {};
        bool Has(unsigned char c) const { return (bits[c >> 6] >> (c & 63)) & 1; }
        void Add(unsigned char c) { bits[c >> 6] |= std::uint64_t{1} << (c & 63); }
    };

    // Compiler (regex_compiler.cpp).
    void ResetCompiled();
    std::uint8_t* ParseAlternation(bool inGroup, int& flags);
    std::uint8_t* ParseBranch(int& flags);
    std::uint8_t* ParsePiece(int& flags);
    std::uint8_t* ParseAtom(int& flags);
    std::uint8_t* ParseClass(int& flags);
    std::uint8_t* EmitNode(std::uint8_t op);
    void EmitByte(std::uint8_t b);
    void InsertNode(std::uint8_t op, std::uint8_t* operand);
    void SetTail(std::uint8_t* p, const std::uint8_t* target);
    void SetOperandTail(std::uint8_t* p, const std::uint8_t* target);
    std::uint8_t* NextNode(std::uint8_t* p) const;
    const std::uint8_t* NextNode(const std::uint8_t* p) const;
    void Analyse();
    void BuildClassSets();
    void BuildStartSet();
    bool AddFirstBytes(const std::uint8_t* node, ByteSet& set, int& visits) const;

    // Replacement expansion (regex_substitute.cpp).
    void Expand(std::string_view replacement, std::string& out) const;

    // Matcher (regex_matcher.cpp).
    const char* FindMatch();
    bool TryAt(const char* s);
    bool MatchFrom(const std::uint8_t* node);
    std::size_t CountRepeats(const std::uint8_t* operand, const char* pos) const;
    bool CannotStart(const std::uint8_t* node, const char* pos) const;
    const std::uint8_t* NextViable(const std::uint8_t* branch, const char* pos) const;
    bool MatchesOne(const std::uint8_t* node, unsigned char c) const;
    const ByteSet& ClassOf(const std::uint8_t* node) const;
    void SetCapture(int slot, const char* pos);

    // Compiled pattern.
    int emitting = 0;
    int compiled = 0;
    std::unique_ptr<std::uint8_t[]> program;
    int programSize = 0;
    int compileFlags = 0;
    char firstChar = 0;
    std::uint8_t anchored = 0;
    const std::uint8_t* mustString = nullptr;
    int mustLength = 0;
    std::vector<ByteSet> classSets;       // member sets of the ANYOF/ANYBUT nodes
    std::vector<std::int16_t> classSlot;  // program offset -> index in classSets
    ByteSet startSet;                     // bytes a match can begin with ...
    bool useStartSet = false;             // ... when every match begins with a byte

    // Compile scratch.
    const char* parsePos = nullptr;
    int groupCount = 1;
    std::uint8_t* emitPos = nullptr;
    std::uint8_t scratchNode[3] = {};

    // Last match. Captures point into the last subject; subStart/subEnd[n] for
    // n > 0 are null when group n took no part.
    std::string matchCopy;
    bool haveMatch = false;
    const char* subStart[kGroups] = {};
    const char* subEnd[kGroups] = {};

    // Match scratch.
    const char* inputPos = nullptr;
    const char* lineStart = nullptr;
    const char* subjectEnd = nullptr;
    bool capturesTouched = false;
    std::size_t choiceCount = 0;  // choice points on the stack
    std::vector<StackEntry> stack;
    // Where a STAR/PLUS look-ahead byte last occurs in the subject; byte -1
    // for an empty entry.
    struct LastByte {
        int byte = -1;
        const char* last = nullptr;
    };
    static constexpr int kLastBytes = 4;
    LastByte lastByte[kLastBytes];

    // Per-line budget.
    std::uint64_t stepsLeft = 0;
    bool lineBudget = false;
    bool tooComplex = false;
};

}  // namespace tavro
