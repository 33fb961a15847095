#pragma once

#include <string>

namespace platform {

// The login name of this process's user from the password database; "" when
// it has no entry.
std::string CurrentUserName();

} // namespace platform
