// File-name patterns as hosts write them: several patterns separated by
// ';' (blanks before each ignored), '*' any run of characters, '?' any one,
// letters compared without regard to case, and a trailing ".*" also
// matching a name without an extension ("*.*" matches "README").
#pragma once

#include <string_view>

namespace pgv {

// Greedy matching with one remembered '*': time grows with the product of
// the lengths at worst, never exponentially.
bool MatchesWildCard(std::u16string_view name, std::u16string_view patterns);

} // namespace pgv
