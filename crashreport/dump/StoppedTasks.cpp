#include "crashreport/dump/StoppedTasks.h"

#include "platform/time/Clock.h"

#include <dirent.h>
#include <sys/ptrace.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

// The crashed process allows tracing only once it has started us, so a
// refusal right at the start is tried again for a while.
constexpr uint64_t kRefusedRetryMs = 2000;
// A task in an uninterruptible wait stops only when the wait ends.
constexpr uint64_t kStopWaitMs = 3000;
constexpr uint32_t kPollPauseMs = 2;

uint64_t NowMs() {
    return platform::SystemMonotonicMs();
}

std::vector<pid_t> ListTasks(pid_t pid) {
    std::vector<pid_t> tids;
    DIR* dir = opendir(("/proc/" + std::to_string(pid) + "/task").c_str());
    if (!dir)
        return tids;
    while (dirent* entry = readdir(dir)) {
        char* end = nullptr;
        long tid = std::strtol(entry->d_name, &end, 10);
        if (entry->d_name[0] != '.' && end && *end == '\0' && tid > 0)
            tids.push_back(static_cast<pid_t>(tid));
    }
    closedir(dir);
    return tids;
}

} // namespace

StoppedTasks::~StoppedTasks() {
    Release();
}

StoppedTasks::StopWait StoppedTasks::WaitForStop(Task& task, uint64_t deadlineMs) {
    for (;;) {
        int status = 0;
        pid_t rc = waitpid(task.tid, &status, WNOHANG | __WALL);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            return STOP_GONE;
        if (rc == task.tid) {
            if (!WIFSTOPPED(status))
                return STOP_GONE;
            // A stop for a signal that was on its way keeps that signal for
            // the release; the interrupt's own stop carries none.
            const int event = status >> 16;
            if (event == 0 && WSTOPSIG(status) != SIGTRAP)
                task.pendingSignal = WSTOPSIG(status);
            return STOP_REACHED;
        }
        if (NowMs() >= deadlineMs)
            return STOP_PENDING;
        platform::SleepMs(kPollPauseMs);
    }
}

size_t StoppedTasks::SeizeNewTasks(pid_t pid, uint64_t deadlineMs) {
    size_t added = 0;
    for (pid_t tid : ListTasks(pid)) {
        if (std::any_of(m_tasks.begin(), m_tasks.end(), [tid](const Task& t) { return t.tid == tid; }))
            continue;
        long rc = ptrace(PTRACE_SEIZE, tid, nullptr, nullptr);
        while (rc != 0 && errno == EPERM && m_tasks.empty() && NowMs() < deadlineMs) {
            platform::SleepMs(10);
            rc = ptrace(PTRACE_SEIZE, tid, nullptr, nullptr);
        }
        if (rc != 0)
            continue;
        Task task{tid, false, 0};
        if (ptrace(PTRACE_INTERRUPT, tid, nullptr, nullptr) != 0)
            continue; // gone
        const StopWait wait = WaitForStop(task, NowMs() + kStopWaitMs);
        if (wait == STOP_GONE)
            continue;
        // A task still on its way to the stop cannot be detached yet; it is
        // kept so that a later scan does not seize it again.
        task.stopped = wait == STOP_REACHED;
        m_tasks.push_back(task);
        ++added;
    }
    return added;
}

bool StoppedTasks::Stop(pid_t pid) {
    Release();
    const uint64_t refusedDeadline = NowMs() + kRefusedRetryMs;
    // A task started between the list and its seizure shows in the next scan.
    while (SeizeNewTasks(pid, refusedDeadline) > 0) {
    }
    return !Tasks().empty();
}

void StoppedTasks::Release() noexcept {
    for (Task& task : m_tasks) {
        // One that has stopped since can be let go here; the others go when
        // the tracing thread ends.
        if (!task.stopped)
            task.stopped = WaitForStop(task, 0) == STOP_REACHED;
        if (task.stopped)
            ptrace(PTRACE_DETACH, task.tid, nullptr,
                   reinterpret_cast<void*>(static_cast<intptr_t>(task.pendingSignal)));
    }
    m_tasks.clear();
}

std::vector<pid_t> StoppedTasks::Tasks() const {
    std::vector<pid_t> tids;
    for (const Task& task : m_tasks) {
        if (task.stopped)
            tids.push_back(task.tid);
    }
    return tids;
}
