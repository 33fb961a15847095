#include "platform/process/Spawn.h"

#include "platform/process/ReadyPipe.h"
#include "platform/thread/Thread.h"
#include "platform/time/Clock.h"

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

extern char** environ;

namespace platform {
namespace {

int DecodeStatus(int status) noexcept {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

SpawnContext::SpawnContext(int stdinFd, int stdoutFd, int readyFd) noexcept {
    posix_spawn_file_actions_init(&m_actions);
    if (stdinFd >= 0)
        posix_spawn_file_actions_adddup2(&m_actions, stdinFd, STDIN_FILENO);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&m_actions, stdoutFd, STDOUT_FILENO);
    int keptUpTo = STDERR_FILENO;
    if (readyFd >= 0) {
        posix_spawn_file_actions_adddup2(&m_actions, readyFd, kReadyPipeFd);
        keptUpTo = kReadyPipeFd;
    }
    posix_spawn_file_actions_addclosefrom_np(&m_actions, keptUpTo + 1);

    posix_spawnattr_init(&m_attr);
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&m_attr, &all);
    posix_spawnattr_setsigmask(&m_attr, &none);
    posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
}

SpawnContext::~SpawnContext() {
    posix_spawn_file_actions_destroy(&m_actions);
    posix_spawnattr_destroy(&m_attr);
}

pid_t SpawnContext::Spawn(const char* path, char* const argv[], int* error,
                          char* const envp[]) const noexcept {
    pid_t pid = -1;
    int rc = posix_spawn(&pid, path, &m_actions, &m_attr, argv, envp ? envp : environ);
    if (rc != 0) {
        if (error)
            *error = rc;
        return -1;
    }
    if (error)
        *error = 0;
    return pid;
}

pid_t SpawnProcess(const std::vector<std::string>& argv, int* error) {
    if (argv.empty()) {
        if (error)
            *error = EINVAL;
        return -1;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    SpawnContext context;
    return context.Spawn(argv[0].c_str(), args.data(), error);
}

WaitOutcome WaitProcess(pid_t pid, uint32_t timeoutMs, int* exitCode) noexcept {
    const uint64_t deadline = SystemMonotonicMs() + timeoutMs;
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    for (;;) {
        int status = 0;
        pid_t rc = waitpid(pid, &status, WNOHANG);
        if (rc == pid) {
            if (pidfd >= 0)
                close(pidfd);
            if (exitCode)
                *exitCode = DecodeStatus(status);
            return WAIT_EXITED;
        }
        if (rc < 0 && errno != EINTR) {
            if (pidfd >= 0)
                close(pidfd);
            return WAIT_FAILED;
        }
        uint64_t now = SystemMonotonicMs();
        if (now >= deadline) {
            if (pidfd >= 0)
                close(pidfd);
            return WAIT_TIMED_OUT;
        }
        uint64_t left = deadline - now;
        if (pidfd >= 0) {
            pollfd pfd{pidfd, POLLIN, 0};
            poll(&pfd, 1, static_cast<int>(left > 1000 ? 1000 : left));
        } else {
            SleepMs(left > 10 ? 10 : static_cast<uint32_t>(left));
        }
    }
}

void ReapInBackground(pid_t pid, std::function<void()> reaped) {
    auto reaper = Thread::Start([pid, reaped] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (reaped)
            reaped();
    });
    // Without a thread the child is reaped by no one until this process ends.
    (void)reaper;
}

} // namespace platform
