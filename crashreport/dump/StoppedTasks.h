// Holds every thread of another process stopped under ptrace while its core
// is written, and lets them go again when it goes. A thread that did not stop
// in time (an uninterruptible wait) stays seized but is left out; it can only
// be let go once stopped, or by the end of the tracing thread, so this is
// used on a thread of its own (RunAsTracer).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <vector>

class StoppedTasks {
  public:
    StoppedTasks() = default;
    ~StoppedTasks();
    StoppedTasks(const StoppedTasks&) = delete;
    StoppedTasks& operator=(const StoppedTasks&) = delete;

    // Seizes and interrupts every task of `pid`, scanning its task list again
    // until no new task appears. False when no task could be stopped (tracing
    // refused by the system, or the process gone); tasks that end meanwhile
    // are dropped.
    [[nodiscard]] bool Stop(pid_t pid);
    // Lets every stopped task run on, re-delivering any signal a stop caught.
    void Release() noexcept;

    // The stopped tasks in the order they were found.
    std::vector<pid_t> Tasks() const;

  private:
    struct Task {
        pid_t tid;
        bool stopped;      // false: seized, its interrupt still pending
        int pendingSignal; // caught by the stop, given back on release
    };

    // Seizes the tasks of the list not held yet; how many were new.
    size_t SeizeNewTasks(pid_t pid, uint64_t deadlineMs);
    enum StopWait { STOP_REACHED, STOP_PENDING, STOP_GONE };
    StopWait WaitForStop(Task& task, uint64_t deadlineMs);

    std::vector<Task> m_tasks;
};
