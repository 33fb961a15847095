// Waiting for another thread or process to reach a state. Every such wait has
// a deadline of real time, so a test whose peer never gets there fails with
// its own message instead of hanging until CTest kills it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace testsupport {

// Generous: a loaded machine running the sanitizer build can stall a peer for
// seconds, and a wait that succeeds returns as soon as the state shows.
inline constexpr std::chrono::milliseconds kWaitTimeout{10000};

// Calls `done` until it returns true or `timeout` has passed, pausing `pause`
// between calls (none when `done` itself waits). True when `done` held.
template <typename Predicate>
[[nodiscard]] bool WaitUntil(Predicate&& done, std::chrono::milliseconds timeout = kWaitTimeout,
                             std::chrono::microseconds pause = std::chrono::milliseconds(1)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        if (pause.count() > 0)
            std::this_thread::sleep_for(pause);
    }
    return true;
}

// Runs `work` on a thread of its own and waits for it up to `timeout`. Work
// that never ends (a deadlock, a wait that ignores its flag) can neither be
// joined nor left running on the test's objects, so the test program stops
// there with `what` on standard error.
template <typename Work>
void RunWithDeadline(const char* what, Work&& work, std::chrono::milliseconds timeout = kWaitTimeout) {
    std::atomic<bool> ended{false};
    std::thread thread([&] {
        work();
        ended.store(true);
    });
    if (!WaitUntil([&] { return ended.load(); }, timeout)) {
        std::fprintf(stderr, "%s: still running after %lld ms\n", what,
                     static_cast<long long>(timeout.count()));
        std::abort();
    }
    thread.join();
}

} // namespace testsupport
