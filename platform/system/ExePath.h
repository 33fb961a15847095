#pragma once

#include <string>

namespace platform {

// The running program's absolute path (from /proc/self/exe); "" on failure.
std::string ExecutablePath();

} // namespace platform
