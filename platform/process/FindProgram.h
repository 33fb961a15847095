#pragma once

#include <string>

namespace platform {

// The first executable file called `name` in the folders of $PATH; "" when
// there is none. A name holding '/' is returned as it is.
std::string FindProgramInPath(const std::string& name);

} // namespace platform
