#include "platform/thread/ThreadId.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

int CurrentThreadId() noexcept {
    return static_cast<int>(syscall(SYS_gettid));
}

int CurrentProcessId() noexcept {
    return static_cast<int>(getpid());
}

} // namespace platform
