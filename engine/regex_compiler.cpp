// Pattern compiler: turns a pattern into the node program of regex_program.h in
// two passes, a sizing pass that only counts bytes and an emit pass that
// writes them into a buffer of exactly that size.

#include <cstring>

#include "engine/regex_pattern.h"
#include "engine/regex_program.h"

namespace tavro {

namespace {

// Outside a bracket class these bytes are special; every other byte is literal.
constexpr const char kMeta[] = "^$.[()|?+*\\";

bool IsRepeat(char c) { return c == '*' || c == '+' || c == '?'; }

}  // namespace

RegexPattern::RegexPattern() = default;
RegexPattern::~RegexPattern() = default;

void RegexPattern::ResetCompiled() {
    compiled = 0;
    program.reset();
    programSize = 0;
    compileFlags = 0;
    firstChar = 0;
    anchored = 0;
    mustString = nullptr;
    mustLength = 0;
    classSets.clear();
    classSlot.clear();
    startSet = ByteSet();
    useStartSet = false;
    groupCount = 1;
    matchCopy.clear();
    haveMatch = false;
    for (int n = 0; n < kGroups; ++n) subStart[n] = subEnd[n] = nullptr;
}

bool RegexPattern::Compile(const char* pattern) {
    ResetCompiled();
    if (pattern == nullptr) return false;

    int flags = WORST;
    emitting = 0;
    parsePos = pattern;
    programSize = 0;
    scratchNode[0] = NOTHING;
    scratchNode[1] = scratchNode[2] = 0;
    emitPos = scratchNode;
    groupCount = 1;
    if (ParseAlternation(false, flags) == nullptr || programSize >= kProgramLimit) {
        ResetCompiled();
        return false;
    }

    program = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(programSize));
    emitting = 1;
    parsePos = pattern;
    emitPos = program.get();
    groupCount = 1;
    std::uint8_t* first = ParseAlternation(false, flags);
    emitting = 0;
    // The emit pass retraces the sizing pass; a mismatch would be our own bug
    // and must not leave a half-written program behind.
    if (first != program.get() || emitPos != program.get() + programSize) {
        ResetCompiled();
        return false;
    }
    compileFlags = flags;
    Analyse();
    BuildClassSets();
    BuildStartSet();
    compiled = 1;
    return true;
}

void RegexPattern::Analyse() {
    firstChar = 0;
    anchored = 0;
    mustString = nullptr;
    mustLength = 0;
    const std::uint8_t* scan = program.get();
    const std::uint8_t* next = NextNode(scan);
    if (next == nullptr || next[0] != END) return;  // several top-level alternatives
    scan += kNodeHeader;
    if (scan[0] == EXACTLY) {
        firstChar = static_cast<char>(scan[kNodeHeader]);
    } else if (scan[0] == BOL) {
        anchored = 1;
    }
    if ((compileFlags & SPSTART) == 0) return;
    std::size_t best = 0;
    for (; scan != nullptr; scan = NextNode(scan)) {
        if (scan[0] != EXACTLY) continue;
        const char* literal = reinterpret_cast<const char*>(scan + kNodeHeader);
        std::size_t length = std::strlen(literal);
        if (length >= best) {
            best = length;
            mustString = scan + kNodeHeader;
        }
    }
    mustLength = static_cast<int>(best);
}

// The matcher tests class membership through a 256-bit set per ANYOF/ANYBUT
// node instead of searching the member list for every byte.
void RegexPattern::BuildClassSets() {
    const std::uint8_t* base = program.get();
    for (int offset = 0; offset + static_cast<int>(kNodeHeader) <= programSize;) {
        std::uint8_t op = base[offset];
        int operand = offset + static_cast<int>(kNodeHeader);
        if (op == EXACTLY || op == ANYOF || op == ANYBUT) {
            int end = operand;
            while (end < programSize && base[end] != 0) ++end;
            if (op != EXACTLY) {
                if (classSlot.empty()) classSlot.assign(static_cast<std::size_t>(programSize), -1);
                ByteSet set;
                for (int i = operand; i < end; ++i) set.Add(base[i]);
                classSlot[static_cast<std::size_t>(offset)] =
                    static_cast<std::int16_t>(classSets.size());
                classSets.push_back(set);
            }
            offset = end + 1;
        } else {
            offset = operand;
        }
    }
}

// Where a pattern has no first byte, the matcher still skips every position
// whose byte cannot begin a match. That holds only when no match can be empty.
void RegexPattern::BuildStartSet() {
    ByteSet set;
    int visits = 0;
    useStartSet = AddFirstBytes(program.get(), set, visits);
    startSet = useStartSet ? set : ByteSet();
}

// Adds to `set` the bytes a match from `node` can begin with; false when a
// match from there can be empty or the analysis gives up.
bool RegexPattern::AddFirstBytes(const std::uint8_t* node, ByteSet& set, int& visits) const {
    constexpr int kMaxVisits = 256;  // optional pieces in a row branch out quickly
    while (node != nullptr) {
        if (++visits > kMaxVisits) return false;
        const std::uint8_t op = node[0];
        switch (op) {
            case EXACTLY:
                set.Add(node[kNodeHeader]);
                return true;
            case ANY:
                for (std::uint64_t& word : set.bits) word = ~std::uint64_t{0};
                return true;
            case ANYOF:
            case ANYBUT: {
                const ByteSet& members = ClassOf(node);  // built before this analysis
                for (int i = 0; i < 4; ++i) {
                    set.bits[i] |= op == ANYOF ? members.bits[i] : ~members.bits[i];
                }
                return true;
            }
            case STAR:
            case PLUS:
                if (!AddFirstBytes(node + kNodeHeader, set, visits)) return false;
                if (op == PLUS) return true;
                break;  // may repeat zero times: what follows can begin a match too
            case BRANCH: {
                const std::uint8_t* next = NextNode(node);
                if (next == nullptr || next[0] != BRANCH) {
                    node += kNodeHeader;  // one alternative
                    continue;
                }
                for (const std::uint8_t* b = node; b != nullptr && b[0] == BRANCH;
                     b = NextNode(b)) {
                    if (!AddFirstBytes(b + kNodeHeader, set, visits)) return false;
                }
                return true;
            }
            case BOL:
            case NOTHING:
            case BACK:
                break;
            default:
                if ((op > OPEN && op < OPEN + 10) || (op > CLOSE && op < CLOSE + 10)) break;
                return false;  // END, EOL or an unknown opcode: possibly empty
        }
        node = NextNode(node);
    }
    return false;
}

// Top level (not in a group) or the inside of parentheses, the `(` already
// consumed. The result is the first node: the first BRANCH or the OPEN node.
std::uint8_t* RegexPattern::ParseAlternation(bool inGroup, int& flags) {
    flags = HASWIDTH;
    std::uint8_t* result = nullptr;
    int group = 0;
    if (inGroup) {
        if (groupCount >= kGroups) return nullptr;
        group = groupCount++;
        result = EmitNode(static_cast<std::uint8_t>(OPEN + group));
    }

    int branchFlags = WORST;
    std::uint8_t* branch = ParseBranch(branchFlags);
    if (branch == nullptr) return nullptr;
    if (result != nullptr) {
        SetTail(result, branch);
    } else {
        result = branch;
    }
    if ((branchFlags & HASWIDTH) == 0) flags &= ~HASWIDTH;
    flags |= branchFlags & SPSTART;

    while (*parsePos == '|') {
        ++parsePos;
        branch = ParseBranch(branchFlags);
        if (branch == nullptr) return nullptr;
        SetTail(result, branch);
        if ((branchFlags & HASWIDTH) == 0) flags &= ~HASWIDTH;
        flags |= branchFlags & SPSTART;
    }

    std::uint8_t* closer = EmitNode(static_cast<std::uint8_t>(inGroup ? CLOSE + group : END));
    SetTail(result, closer);
    // The last node inside every alternative goes on at the closer.
    for (std::uint8_t* p = result; p != nullptr; p = NextNode(p)) SetOperandTail(p, closer);

    if (inGroup) {
        if (*parsePos != ')') return nullptr;
        ++parsePos;
    } else if (*parsePos != '\0') {
        return nullptr;  // an unmatched `)`
    }
    return result;
}

std::uint8_t* RegexPattern::ParseBranch(int& flags) {
    flags = WORST;
    std::uint8_t* result = EmitNode(BRANCH);
    std::uint8_t* previous = nullptr;
    while (*parsePos != '\0' && *parsePos != '|' && *parsePos != ')') {
        int pieceFlags = WORST;
        std::uint8_t* piece = ParsePiece(pieceFlags);
        if (piece == nullptr) return nullptr;
        // Give up as soon as the program is too large, before the count itself
        // can grow without bound.
        if (programSize >= kProgramLimit) return nullptr;
        flags |= pieceFlags & HASWIDTH;
        if (previous == nullptr) {
            flags |= pieceFlags & SPSTART;
        } else {
            SetTail(previous, piece);
        }
        previous = piece;
    }
    if (previous == nullptr) EmitNode(NOTHING);
    return result;
}

std::uint8_t* RegexPattern::ParsePiece(int& flags) {
    int atomFlags = WORST;
    std::uint8_t* atom = ParseAtom(atomFlags);
    if (atom == nullptr) return nullptr;
    char op = *parsePos;
    if (!IsRepeat(op)) {
        flags = atomFlags;
        return atom;
    }
    // A loop over something that can match empty would never advance.
    if ((atomFlags & HASWIDTH) == 0 && op != '?') return nullptr;
    flags = op == '*' ? SPSTART : op == '+' ? (HASWIDTH | SPSTART) : WORST;

    if (op == '*' && (atomFlags & SIMPLE) != 0) {
        InsertNode(STAR, atom);
    } else if (op == '*') {
        // atom: BRANCH(atom, BACK to itself) then BRANCH(NOTHING) as the way out.
        InsertNode(BRANCH, atom);
        SetOperandTail(atom, EmitNode(BACK));
        SetOperandTail(atom, atom);
        SetTail(atom, EmitNode(BRANCH));
        SetTail(atom, EmitNode(NOTHING));
    } else if (op == '+' && (atomFlags & SIMPLE) != 0) {
        InsertNode(PLUS, atom);
    } else if (op == '+') {
        // atom, then BRANCH(BACK to the atom) or BRANCH(NOTHING) to go on.
        std::uint8_t* loop = EmitNode(BRANCH);
        SetTail(atom, loop);
        SetTail(EmitNode(BACK), atom);
        SetTail(loop, EmitNode(BRANCH));
        SetTail(atom, EmitNode(NOTHING));
    } else {
        // BRANCH(atom) or BRANCH(NOTHING); both go on at that NOTHING.
        InsertNode(BRANCH, atom);
        SetTail(atom, EmitNode(BRANCH));
        std::uint8_t* join = EmitNode(NOTHING);
        SetTail(atom, join);
        SetOperandTail(atom, join);
    }
    ++parsePos;
    if (IsRepeat(*parsePos)) return nullptr;  // nested repetition
    return atom;
}

std::uint8_t* RegexPattern::ParseAtom(int& flags) {
    flags = WORST;
    char c = *parsePos;
    if (c == '\0' || c == '|' || c == ')' || IsRepeat(c)) return nullptr;
    ++parsePos;
    switch (c) {
        case '^':
            return EmitNode(BOL);
        case '$':
            return EmitNode(EOL);
        case '.':
            flags = HASWIDTH | SIMPLE;
            return EmitNode(ANY);
        case '[':
            return ParseClass(flags);
        case '(': {
            int groupFlags = WORST;
            std::uint8_t* group = ParseAlternation(true, groupFlags);
            if (group == nullptr) return nullptr;
            flags = groupFlags & (HASWIDTH | SPSTART);
            return group;
        }
        case '\\': {
            if (*parsePos == '\0') return nullptr;  // trailing backslash
            std::uint8_t* node = EmitNode(EXACTLY);
            EmitByte(static_cast<std::uint8_t>(*parsePos++));
            EmitByte(0);
            flags = HASWIDTH | SIMPLE;
            return node;
        }
        default:
            break;
    }
    // A literal run up to the next meta byte. Before a repetition operator the
    // run gives back its last byte, which alone is repeated (`ab*`).
    --parsePos;
    std::size_t length = std::strcspn(parsePos, kMeta);
    if (length > 1 && IsRepeat(parsePos[length])) --length;
    if (length >= static_cast<std::size_t>(kProgramLimit)) return nullptr;
    flags = length == 1 ? (HASWIDTH | SIMPLE) : HASWIDTH;
    std::uint8_t* node = EmitNode(EXACTLY);
    for (std::size_t i = 0; i < length; ++i) EmitByte(static_cast<std::uint8_t>(parsePos[i]));
    EmitByte(0);
    parsePos += length;
    return node;
}

// The `[` is consumed. A `]` or `-` first is a member; `-` between two bytes
// is a range, compared as signed bytes.
std::uint8_t* RegexPattern::ParseClass(int& flags) {
    std::uint8_t* node = nullptr;
    if (*parsePos == '^') {
        node = EmitNode(ANYBUT);
        ++parsePos;
    } else {
        node = EmitNode(ANYOF);
    }
    if (*parsePos == ']' || *parsePos == '-') EmitByte(static_cast<std::uint8_t>(*parsePos++));

    char c = '\0';
    while ((c = *parsePos) != '\0') {
        ++parsePos;
        if (c == ']') break;
        if (programSize >= kProgramLimit) return nullptr;
        if (c != '-') {
            EmitByte(static_cast<std::uint8_t>(c));
            continue;
        }
        char last = *parsePos;
        if (last == ']' || last == '\0') {
            EmitByte('-');
            continue;
        }
        // Signed on purpose: a range from below 0x80 to 0x80 or above is refused.
        int first = static_cast<signed char>(parsePos[-2]);  // NOLINT(bugprone-signed-char-misuse)
        int end = static_cast<signed char>(last);            // NOLINT(bugprone-signed-char-misuse)
        if (end < first) return nullptr;
        // A 0 would end the member list early and silently drop the rest of
        // the class (a range from 0xFF up to an ASCII byte passes through it).
        for (int v = first + 1; v <= end; ++v) {
            if (v != 0) EmitByte(static_cast<std::uint8_t>(v));
        }
        ++parsePos;
    }
    EmitByte(0);
    if (c != ']') return nullptr;  // unterminated class
    flags = HASWIDTH | SIMPLE;
    return node;
}

std::uint8_t* RegexPattern::EmitNode(std::uint8_t op) {
    if (!emitting) {
        programSize += static_cast<int>(kNodeHeader);
        return scratchNode;
    }
    std::uint8_t* node = emitPos;
    node[0] = op;
    node[1] = node[2] = 0;
    emitPos += kNodeHeader;
    return node;
}

void RegexPattern::EmitByte(std::uint8_t b) {
    if (!emitting) {
        ++programSize;
        return;
    }
    *emitPos++ = b;
}

// Moves `operand` and everything after it up by one header and puts the new
// node where it stood, so that it becomes the new node's operand.
void RegexPattern::InsertNode(std::uint8_t op, std::uint8_t* operand) {
    if (!emitting) {
        programSize += static_cast<int>(kNodeHeader);
        return;
    }
    std::memmove(operand + kNodeHeader, operand, static_cast<std::size_t>(emitPos - operand));
    emitPos += kNodeHeader;
    operand[0] = op;
    operand[1] = operand[2] = 0;
}

void RegexPattern::SetTail(std::uint8_t* p, const std::uint8_t* target) {
    if (!emitting) return;
    std::uint8_t* last = p;
    for (std::uint8_t* next = NextNode(last); next != nullptr; next = NextNode(last)) last = next;
    std::ptrdiff_t offset = last[0] == BACK ? last - target : target - last;
    auto link = static_cast<std::uint16_t>(static_cast<std::int16_t>(offset));
    last[1] = static_cast<std::uint8_t>(link & 0xFF);
    last[2] = static_cast<std::uint8_t>(link >> 8);
}

void RegexPattern::SetOperandTail(std::uint8_t* p, const std::uint8_t* target) {
    if (!emitting || p[0] != BRANCH) return;
    SetTail(p + kNodeHeader, target);
}

std::string_view RegexPattern::MustString() const {
    if (mustString == nullptr) return {};
    return {reinterpret_cast<const char*>(mustString), static_cast<std::size_t>(mustLength)};
}

}  // namespace tavro
