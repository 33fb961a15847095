#include "platform/system/UserName.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace platform {

std::string CurrentUserName() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_name)
        return std::string();
    return found->pw_name;
}

} // namespace platform
