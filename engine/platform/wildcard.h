#pragma once

#include <string_view>

namespace tavro {

// Matches a file name against a wildcard pattern: `*` any run of characters
// (dots included), `?` exactly one, everything else exact (case included). A
// trailing ".*" also matches a name with nothing left, so "*.*" matches every
// name and "read*.*" matches "readme", as users of DOS-style filters expect.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace tavro
