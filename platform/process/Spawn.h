// Starting and waiting for child processes. Children get an argument vector
// (never a shell), default signal dispositions, an empty signal mask and no
// descriptors beyond standard input, output and error (and a ready pipe when
// asked for).
#pragma once

#include <sys/types.h>

#include <spawn.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Spawn settings built once, so that a child can also be started from a
// signal handler without allocating.
class SpawnContext {
  public:
    // stdinFd / stdoutFd: descriptors to become the child's standard input and
    // output, or -1 to keep the parent's. readyFd: a ReadyPipe's SpawnFd(),
    // which the child gets as its descriptor 3 (kReadyPipeFd), or -1.
    explicit SpawnContext(int stdinFd = -1, int stdoutFd = -1, int readyFd = -1) noexcept;
    ~SpawnContext();
    SpawnContext(const SpawnContext&) = delete;
    SpawnContext& operator=(const SpawnContext&) = delete;

    // Starts `path` with the null-terminated `argv` and environment `envp`
    // (null: this process's). Returns the child's id, or -1 with the
    // failure's errno value in `*error`. Async-signal-safe.
    pid_t Spawn(const char* path, char* const argv[], int* error,
                char* const envp[] = nullptr) const noexcept;

  private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attr;
};

// Starts argv[0] with `argv`; -1 with `*error` set on failure.
pid_t SpawnProcess(const std::vector<std::string>& argv, int* error);

enum WaitOutcome {
    WAIT_EXITED,
    WAIT_TIMED_OUT,
    WAIT_FAILED,
    WAIT_READY, // the child said it need not be waited for (ReadyPipe)
};

// Waits up to `timeoutMs` for `pid`. When it has ended, `*exitCode` is its exit
// status, or 128 + the signal that killed it. Async-signal-safe.
WaitOutcome WaitProcess(pid_t pid, uint32_t timeoutMs, int* exitCode) noexcept;

// Reaps `pid` whenever it ends, so a child that outlived its wait never
// lingers as a zombie; `reaped` (when given) runs on the reaping thread then.
void ReapInBackground(pid_t pid, std::function<void()> reaped = nullptr);

} // namespace platform
