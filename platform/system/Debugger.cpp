#include "platform/system/Debugger.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace platform {

bool IsDebuggerAttached() noexcept {
    int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[4096];
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0)
        return false;
    text[n] = '\0';
    const char* field = strstr(text, "TracerPid:");
    return field && atoi(field + strlen("TracerPid:")) != 0;
}

} // namespace platform
