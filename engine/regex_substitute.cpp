// Replacement expansion: `&` and backslash-digit in a replacement template
// stand for the whole match and its groups.

#include <new>

#include "engine/regex_pattern.h"

namespace tavro {

// Group text comes from matchCopy, never from the subject, which the caller
// may already be editing.
bool RegexPattern::Substitute(std::string_view replacement, std::string& out) const {
    out.clear();
    if (!haveMatch) return false;
    try {
        Expand(replacement, out);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    return true;
}

void RegexPattern::Expand(std::string_view replacement, std::string& out) const {
    out.reserve(replacement.size() + matchCopy.size());

    auto appendGroup = [this, &out](int n) {
        const char* start = subStart[n];
        const char* stop = subEnd[n];
        if (start == nullptr || stop == nullptr || start >= stop) return;
        // A group always lies inside the match; the check keeps a copy from
        // ever reaching outside matchCopy.
        if (start < subStart[0] || stop > subEnd[0]) return;
        out.append(matchCopy, static_cast<std::size_t>(start - subStart[0]),
                   static_cast<std::size_t>(stop - start));
    };

    const std::size_t size = replacement.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = replacement[i];
        if (c == '&') {
            appendGroup(0);
            continue;
        }
        if (c == '\\' && i + 1 < size) {
            const char after = replacement[i + 1];
            if (after >= '0' && after <= '9') {
                appendGroup(after - '0');
                ++i;
                continue;
            }
            if (after == '\\' || after == '&') {
                out.push_back(after);
                ++i;
                continue;
            }
        }
        out.push_back(c);
    }
}

}  // namespace tavro
