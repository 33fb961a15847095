// Hands an item to the desktop: xdg-open with an argument list (never a
// shell), the child reaped when it ends.
#pragma once

#include <string>
#include <vector>

namespace pgv {

// Opens `target` (a path or a location such as "trash:///") with the
// desktop's default application; 0 when xdg-open started, else an errno
// value (ENOENT when it is not installed).
int OpenWithDesktop(const std::string& target);

// Replaces the start of the program for tests; null restores it.
using LaunchFunction = int (*)(const std::vector<std::string>& argv);
void SetLaunchOverride(LaunchFunction launch);

} // namespace pgv
