// Pattern matcher: a backtracking interpreter of the node program. Choice
// points live on a heap stack rather than the call stack, so lines of many
// megabytes match exactly, and a per-line step budget stops patterns whose
// backtracking would explode.

#include <cstring>
#include <limits>
#include <new>

#include "engine/regex_pattern.h"
#include "engine/regex_program.h"

namespace tavro {

namespace {

// Stack entry layout: kind in bits 62-63, a program offset or capture slot in
// bits 47-61, a subject offset in bits 0-46.
enum EntryKind : std::uint64_t {
    kUndo = 0,         // capture slot and its previous value (offset + 1, 0 for none)
    kAlternative = 1,  // the next BRANCH to try and the position to try it at
    kRepeat = 2,       // STAR/PLUS node and the count tried last (as a position)
    kFloor = 3,        // below kRepeat: the lowest position its count may reach
};
constexpr int kKindShift = 62;
constexpr int kValueShift = 47;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kValueShift) - 1;
constexpr std::uint64_t kValueMask = (std::uint64_t{1} << (kKindShift - kValueShift)) - 1;
// Subject offsets (plus one, for undo entries) must fit the 47-bit field.
constexpr std::uint64_t kMaxSubject = kOffsetMask - 1;
// A stack grown beyond this for one long line is released afterwards rather
// than kept for the rest of the run.
constexpr std::size_t kKeptStackEntries = std::size_t{1} << 16;
// How far CannotStart looks through empty nodes.
constexpr int kPeekHops = 8;

std::uint64_t Pack(EntryKind kind, std::uint64_t value, std::uint64_t offset) {
    return (static_cast<std::uint64_t>(kind) << kKindShift) | (value << kValueShift) | offset;
}
EntryKind KindOf(std::uint64_t e) { return static_cast<EntryKind>(e >> kKindShift); }
std::uint64_t ValueOf(std::uint64_t e) { return (e >> kValueShift) & kValueMask; }
std::uint64_t OffsetOf(std::uint64_t e) { return e & kOffsetMask; }

// The node that the link of `node` leads to, or null when the link is 0 or
// would leave the program.
inline const std::uint8_t* LinkTarget(const std::uint8_t* base, int size,
                                      const std::uint8_t* node) {
    const int link = ReadLink(node);
    if (link == 0 || base == nullptr) return nullptr;
    const std::ptrdiff_t offset = (node - base) + (node[0] == BACK ? -link : link);
    if (offset < 0 || offset + static_cast<std::ptrdiff_t>(kNodeHeader) > size) return nullptr;
    return base + offset;
}

bool IsOpen(std::uint8_t op) { return op > OPEN && op < OPEN + 10; }
bool IsClose(std::uint8_t op) { return op > CLOSE && op < CLOSE + 10; }

}  // namespace

const std::uint8_t* RegexPattern::NextNode(const std::uint8_t* p) const {
    // Only the scratch node of the sizing pass lives outside the program, and
    // its link is 0.
    return LinkTarget(program.get(), programSize, p);
}

std::uint8_t* RegexPattern::NextNode(std::uint8_t* p) const {
    return const_cast<std::uint8_t*>(NextNode(static_cast<const std::uint8_t*>(p)));
}

std::uint64_t RegexPattern::StepBudget(std::size_t lineLength) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t length = lineLength;
    if (length > (kMax - kStepBudgetBase) / kStepBudgetPerByte) return kMax;
    return kStepBudgetBase + kStepBudgetPerByte * length;
}

void RegexPattern::StartLine(std::size_t lineLength) {
    stepsLeft = StepBudget(lineLength);
    lineBudget = true;
    tooComplex = false;
}

std::ptrdiff_t RegexPattern::Exec(std::string_view subject) {
    haveMatch = false;
    matchCopy.clear();
    if (!compiled) return -1;
    const char* begin = subject.data() != nullptr ? subject.data() : "";
    const std::size_t size = subject.size();
    if (!lineBudget) {
        stepsLeft = StepBudget(size);
        tooComplex = false;
    }
    if (tooComplex) return -1;
    if (static_cast<std::uint64_t>(size) > kMaxSubject) {
        tooComplex = true;
        return -1;
    }
    if (mustLength > 0 &&
        std::string_view(begin, size).find(MustString()) == std::string_view::npos) {
        return -1;
    }

    lineStart = begin;
    subjectEnd = begin + size;
    for (LastByte& known : lastByte) known = LastByte();
    const char* found = nullptr;
    try {
        found = FindMatch();
        if (found != nullptr) {
            matchCopy.assign(subStart[0], static_cast<std::size_t>(subEnd[0] - subStart[0]));
        }
    } catch (const std::bad_alloc&) {
        // Only a pathological line can exhaust memory with the backtracking
        // stack; it is given up like one that exhausts the step budget.
        found = nullptr;
        tooComplex = true;
    }
    if (stack.capacity() > kKeptStackEntries) std::vector<StackEntry>().swap(stack);
    if (found == nullptr) return -1;
    haveMatch = true;
    return found - begin;
}

// The leftmost position of lineStart..subjectEnd where TryAt succeeds, or null.
const char* RegexPattern::FindMatch() {
    const char* const begin = lineStart;
    if (anchored) return TryAt(begin) ? begin : nullptr;
    if (firstChar != 0) {
        const auto wanted = static_cast<unsigned char>(firstChar);
        for (const char* p = begin; p < subjectEnd; ++p) {
            p = static_cast<const char*>(std::memchr(p, wanted, subjectEnd - p));
            if (p == nullptr || TryAt(p)) return p;
            if (tooComplex) return nullptr;
        }
        return nullptr;
    }
    if (useStartSet) {
        // Every match begins with a byte of startSet, so the end of the
        // subject and every other byte can be passed over.
        const auto* bytes = reinterpret_cast<const unsigned char*>(begin);
        const auto size = static_cast<std::size_t>(subjectEnd - begin);
        for (std::size_t i = 0; i < size; ++i) {
            if (!startSet.Has(bytes[i])) continue;
            if (TryAt(begin + i)) return begin + i;
            if (tooComplex) return nullptr;
        }
        return nullptr;
    }
    // The end of the subject is a position too: a pattern that can match
    // empty matches there.
    for (const char* p = begin;; ++p) {
        if (TryAt(p)) return p;
        if (tooComplex || p == subjectEnd) return nullptr;
    }
}

bool RegexPattern::TryAt(const char* s) {
    inputPos = s;
    if (capturesTouched) {
        for (int n = 0; n < kGroups; ++n) subStart[n] = subEnd[n] = nullptr;
        capturesTouched = false;
    }
    if (!MatchFrom(program.get())) return false;
    subStart[0] = s;
    subEnd[0] = inputPos;
    capturesTouched = true;
    return true;
}

// Slots 1-9 are group starts, 11-19 group ends. The old value is logged only
// when there is a choice point to return to.
void RegexPattern::SetCapture(int slot, const char* pos) {
    const char*& cell = slot < kGroups ? subStart[slot] : subEnd[slot - kGroups];
    if (choiceCount > 0) {
        std::uint64_t old = cell == nullptr ? 0 : static_cast<std::uint64_t>(cell - lineStart) + 1;
        stack.push_back(Pack(kUndo, static_cast<std::uint64_t>(slot), old));
    }
    cell = pos;
    capturesTouched = true;
}

const RegexPattern::ByteSet& RegexPattern::ClassOf(const std::uint8_t* node) const {
    static const ByteSet kEmpty;
    std::size_t offset = static_cast<std::size_t>(node - program.get());
    if (offset >= classSlot.size() || classSlot[offset] < 0) return kEmpty;
    return classSets[static_cast<std::size_t>(classSlot[offset])];
}

// Whether the one-byte node `node` (ANY, ANYOF, ANYBUT or EXACTLY) accepts c.
bool RegexPattern::MatchesOne(const std::uint8_t* node, unsigned char c) const {
    switch (node[0]) {
        case ANY:
            return true;
        case EXACTLY:
            return node[kNodeHeader] == c;
        case ANYOF:
            return ClassOf(node).Has(c);
        case ANYBUT:
            return !ClassOf(node).Has(c);
        default:
            return false;
    }
}

std::size_t RegexPattern::CountRepeats(const std::uint8_t* operand, const char* pos) const {
    const std::size_t available = static_cast<std::size_t>(subjectEnd - pos);
    const auto* bytes = reinterpret_cast<const unsigned char*>(pos);
    std::size_t n = 0;
    switch (operand[0]) {
        case ANY:
            return available;
        case EXACTLY: {
            unsigned char c = operand[kNodeHeader];
            while (n < available && bytes[n] == c) ++n;
            return n;
        }
        case ANYOF: {
            const ByteSet& set = ClassOf(operand);
            while (n < available && set.Has(bytes[n])) ++n;
            return n;
        }
        case ANYBUT: {
            const ByteSet& set = ClassOf(operand);
            while (n < available && !set.Has(bytes[n])) ++n;
            return n;
        }
        default:
            return 0;
    }
}

// True when matching from `node` at `pos` is sure to fail before it consumes
// or records anything. Used to leave out choice points that could only fail,
// which keeps the stack flat for loops like `(a|b)*c` on long lines.
bool RegexPattern::CannotStart(const std::uint8_t* node, const char* pos) const {
    for (int hops = 0; hops < kPeekHops; ++hops) {
        if (node == nullptr) return true;
        const std::uint8_t op = node[0];
        switch (op) {
            case EXACTLY:
            case ANY:
            case ANYOF:
            case ANYBUT:
                return pos == subjectEnd || !MatchesOne(node, static_cast<unsigned char>(*pos));
            case PLUS:
                return pos == subjectEnd ||
                       !MatchesOne(node + kNodeHeader, static_cast<unsigned char>(*pos));
            case BOL:
                if (pos != lineStart) return true;
                node = NextNode(node);
                break;
            case EOL:
                if (pos != subjectEnd) return true;
                node = NextNode(node);
                break;
            case BRANCH: {
                const std::uint8_t* next = NextNode(node);
                if (next != nullptr && next[0] == BRANCH) return false;
                node += kNodeHeader;
                break;
            }
            case END:
            case STAR:
                return false;
            default:
                if (op != NOTHING && op != BACK && !IsOpen(op) && !IsClose(op)) return true;
                node = NextNode(node);
                break;
        }
    }
    return false;
}

// The first BRANCH from `branch` on along the alternative chain whose operand
// might match at `pos`, or null.
const std::uint8_t* RegexPattern::NextViable(const std::uint8_t* branch, const char* pos) const {
    for (; branch != nullptr && branch[0] == BRANCH; branch = NextNode(branch)) {
        if (!CannotStart(branch + kNodeHeader, pos)) return branch;
    }
    return nullptr;
}

// Runs the program from `node` at inputPos. On success inputPos is the end of
// the match. Alternatives are tried in pattern order and repetitions give back
// one byte at a time, exactly as a recursive matcher would; the captures are
// those of the last pass through each group on the successful path.
bool RegexPattern::MatchFrom(const std::uint8_t* node) {
    const std::uint8_t* const base = program.get();
    const char* const begin = lineStart;
    const char* const end = subjectEnd;
    const char* pos = inputPos;
    // Kept in a local so that the hot loop need not write the member back.
    std::uint64_t budget = stepsLeft;
    stack.clear();
    choiceCount = 0;

    auto spend = [&budget](std::uint64_t steps) {
        if (budget < steps) {
            budget = 0;
            return false;
        }
        budget -= steps;
        return true;
    };
    auto offsetOf = [begin](const char* p) { return static_cast<std::uint64_t>(p - begin); };
    // The highest position in [floor, top] whose byte is `look`, or null. The
    // end of the subject has no byte, so it never qualifies. The last place
    // of each look-ahead byte in the subject is remembered, so that `a.*z`
    // on a long line without a `z` fails at once at every `a`.
    auto findLook = [&spend, this, end](const char* floor, const char* top,
                                        int look) -> const char* {
        LastByte& known = lastByte[look % kLastBytes];
        if (known.byte != look) {
            const auto length = static_cast<std::size_t>(end - lineStart);
            std::size_t n = length;
            while (n > 0 && static_cast<unsigned char>(lineStart[n - 1]) != look) --n;
            spend((length - n) / kScanBytesPerStep);
            known.byte = look;
            known.last = n > 0 ? lineStart + (n - 1) : nullptr;
        }
        if (known.last == nullptr || known.last < floor) return nullptr;
        if (known.last <= top) return known.last;
        // Here top is below known.last, so before the end: its byte exists.
        const auto candidates = static_cast<std::size_t>(top - floor) + 1;
        std::size_t n = candidates;
        while (n > 0 && static_cast<unsigned char>(floor[n - 1]) != look) --n;
        spend((candidates - n) / kScanBytesPerStep);
        return n > 0 ? floor + (n - 1) : nullptr;
    };
    auto lookahead = [](const std::uint8_t* next) {
        return next != nullptr && next[0] == EXACTLY ? int{next[kNodeHeader]} : -1;
    };

    bool matched = false;
    for (;;) {
        // Forward: run until END or a failure.
        bool failed = false;
        while (!failed) {
            if (node == nullptr) {
                failed = true;
                break;
            }
            if (budget == 0) goto giveUp;
            --budget;
            const std::uint8_t op = node[0];
            const std::uint8_t* next = NextNode(node);
            switch (op) {
                case END:
                    matched = true;
                    goto done;
                case BOL:
                    failed = pos != begin;
                    break;
                case EOL:
                    failed = pos != end;
                    break;
                case ANY:
                case ANYOF:
                case ANYBUT:
                    failed = pos == end || !MatchesOne(node, static_cast<unsigned char>(*pos));
                    if (!failed) ++pos;
                    break;
                case EXACTLY: {
                    // Literals are short: compare up to their NUL in one pass.
                    const auto* literal = node + kNodeHeader;
                    const auto available = static_cast<std::size_t>(end - pos);
                    std::size_t n = 0;
                    while (literal[n] != 0 && n < available &&
                           static_cast<unsigned char>(pos[n]) == literal[n]) {
                        ++n;
                    }
                    failed = literal[n] != 0;
                    if (!failed) pos += n;
                    break;
                }
                case BRANCH: {
                    if (next == nullptr || next[0] != BRANCH) {
                        next = node + kNodeHeader;  // one alternative: no choice to keep
                        break;
                    }
                    const std::uint8_t* first = NextViable(node, pos);
                    if (first == nullptr) {
                        failed = true;
                        break;
                    }
                    const std::uint8_t* second = NextViable(NextNode(first), pos);
                    if (second != nullptr) {
                        stack.push_back(Pack(kAlternative,
                                             static_cast<std::uint64_t>(second - base),
                                             offsetOf(pos)));
                        ++choiceCount;
                    }
                    next = first + kNodeHeader;
                    break;
                }
                case BACK:
                case NOTHING:
                    break;
                case STAR:
                case PLUS: {
                    const std::size_t least = op == PLUS ? 1 : 0;
                    const std::size_t count = CountRepeats(node + kNodeHeader, pos);
                    if (node[kNodeHeader] != ANY) spend(count / kScanBytesPerStep);  // ANY: no scan
                    if (count < least) {
                        failed = true;
                        break;
                    }
                    const char* floor = pos + least;
                    const char* at = pos + count;
                    int look = lookahead(next);
                    if (look >= 0) at = findLook(floor, at, look);
                    if (at == nullptr) {
                        failed = true;
                        break;
                    }
                    if (at > floor) {
                        stack.push_back(Pack(kFloor, 0, offsetOf(floor)));
                        stack.push_back(
                            Pack(kRepeat, static_cast<std::uint64_t>(node - base), offsetOf(at)));
                        ++choiceCount;
                    }
                    pos = at;
                    break;
                }
                default:
                    if (IsOpen(op)) {
                        SetCapture(op - OPEN, pos);
                    } else if (IsClose(op)) {
                        SetCapture(kGroups + op - CLOSE, pos);
                    } else {
                        failed = true;
                    }
                    break;
            }
            if (!failed) node = next;
        }

        // Backward: undo captures down to the latest choice point and resume it.
        for (;;) {
            if (stack.empty()) goto done;
            const StackEntry entry = stack.back();
            stack.pop_back();
            const EntryKind kind = KindOf(entry);
            if (kind == kUndo) {
                const int slot = static_cast<int>(ValueOf(entry));
                const std::uint64_t old = OffsetOf(entry);
                const char*& cell = slot < kGroups ? subStart[slot] : subEnd[slot - kGroups];
                cell = old == 0 ? nullptr : begin + (old - 1);
                continue;
            }
            if (kind == kFloor) continue;  // only ever popped with its kRepeat
            if (!spend(1)) goto giveUp;
            --choiceCount;
            const std::uint8_t* chosen = base + ValueOf(entry);
            const char* at = begin + OffsetOf(entry);
            if (kind == kAlternative) {
                pos = at;
                const std::uint8_t* following = NextViable(NextNode(chosen), pos);
                if (following != nullptr) {
                    stack.push_back(Pack(kAlternative, static_cast<std::uint64_t>(following - base),
                                         offsetOf(pos)));
                    ++choiceCount;
                }
                node = chosen + kNodeHeader;
                break;
            }
            // kRepeat: try the next smaller count.
            const char* floor = begin + OffsetOf(stack.back());
            const std::uint8_t* next = NextNode(chosen);
            --at;
            int look = lookahead(next);
            if (look >= 0) at = findLook(floor, at, look);
            if (budget == 0) goto giveUp;
            if (at == nullptr) {
                stack.pop_back();  // its kFloor
                continue;
            }
            if (at > floor) {
                stack.push_back(Pack(kRepeat, ValueOf(entry), offsetOf(at)));
                ++choiceCount;
            } else {
                stack.pop_back();
            }
            pos = at;
            node = next;
            break;
        }
    }

giveUp:
    tooComplex = true;
    matched = false;
done:
    stepsLeft = budget;
    inputPos = pos;
    stack.clear();
    choiceCount = 0;
    return matched;
}

std::size_t RegexPattern::MatchLength() const {
    return haveMatch ? static_cast<std::size_t>(subEnd[0] - subStart[0]) : 0;
}

std::ptrdiff_t RegexPattern::GroupStart(int n) const {
    if (!haveMatch || n < 0 || n >= kGroups || subStart[n] == nullptr) return -1;
    return subStart[n] - lineStart;
}

std::ptrdiff_t RegexPattern::GroupEnd(int n) const {
    if (!haveMatch || n < 0 || n >= kGroups || subEnd[n] == nullptr) return -1;
    return subEnd[n] - lineStart;
}

}  // namespace tavro
