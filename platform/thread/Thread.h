// Threads started detached, with a completion latch so a starter can wait for
// one with a time-out. No thread object is ever destroyed while joinable: a
// thread that outlives every handle simply runs to its end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Thread {
  public:
    using Procedure = std::function<void()>;

    // Starts `procedure` on a new thread with an alternate signal stack of its
    // own. Returns null when the thread could not be created.
    static std::unique_ptr<Thread> Start(Procedure procedure);

    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Waits up to `timeoutMs` for the thread to end; true when it has ended.
    [[nodiscard]] bool WaitFor(uint32_t timeoutMs) const;
    [[nodiscard]] bool HasEnded() const;

    struct Latch;

  private:
    explicit Thread(std::shared_ptr<Latch> latch);
    std::shared_ptr<Latch> m_latch;
};

// Ends the calling thread at once. Threads started by Thread::Start still
// release their latch, so waiters see the end.
[[noreturn]] void ExitCurrentThread();

} // namespace platform
