#include "platform/thread/IdlePriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// From linux/ioprio.h, which glibc does not wrap.
constexpr int kIoprioWhoProcess = 1;
constexpr int kIoprioClassIdle = 3;
constexpr int kIoprioClassShift = 13;
constexpr int kLowestNice = 19;

} // namespace

int LowerThreadToIdle() noexcept {
    const sched_param param{};
    int error = pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
    if (error != 0) {
        // For one thread: PRIO_PROCESS with a thread id names only it.
        error = setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kLowestNice) == 0 ? 0 : errno;
    }
    // Best effort: the processor class is what matters most.
    (void)syscall(SYS_ioprio_set, kIoprioWhoProcess, 0, kIoprioClassIdle << kIoprioClassShift);
    return error;
}

} // namespace platform
