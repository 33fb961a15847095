// The order of file names in the tree: case-blind natural order ("9"
// before "10", "a" beside "A"), then the exact bytes, so names that differ
// only in case ("Rock" and "rock") stay two distinct, stably ordered items.
#pragma once

#include <string_view>

namespace pgv {

// <0, 0 or >0; 0 only for the same bytes.
int CompareNames(std::string_view a, std::string_view b);

} // namespace pgv
