// A started child's word to the process that started it: "you need not wait
// for me any longer", although the child goes on running. The child finds the
// pipe's write end as descriptor kReadyPipeFd, writes one byte and closes it;
// its end closes the pipe as well. Each start gets a fresh pipe, so a child
// of an earlier start that still runs can never answer for a later one.
#pragma once

#include "platform/fs/UniqueFd.h"
#include "platform/process/Spawn.h"

#include <sys/types.h>

#include <cstdint>

namespace platform {

constexpr int kReadyPipeFd = 3;

// The starting side. Everything but construction and destruction is
// async-signal-safe and allocates nothing, so a crash handler can use it.
class ReadyPipe {
  public:
    // Reserves the descriptor number that carries each start's write end
    // (never kReadyPipeFd itself): SpawnContext(…, SpawnFd()) hands that
    // number to the child as its kReadyPipeFd. Between starts the number
    // holds the last read end, so no other open can take it.
    ReadyPipe() noexcept;
    ~ReadyPipe();
    ReadyPipe(const ReadyPipe&) = delete;
    ReadyPipe& operator=(const ReadyPipe&) = delete;

    // The reserved number, or -1 when none could be had.
    int SpawnFd() const noexcept { return m_slot; }
    // Before a start: a fresh pipe whose write end sits at SpawnFd(). False
    // when none could be made; the child then gets a read end it refuses.
    bool Open() noexcept;
    // After the start, whether it worked or not: this process lets go of the
    // write end, so that only the child holds it.
    void CloseWriteEnd() noexcept;
    // Waits up to `timeoutMs` for the child `pid`: WAIT_READY once it has
    // said so, WAIT_EXITED (with `*exitCode` as WaitProcess gives it) when
    // it ended first, else WAIT_TIMED_OUT or WAIT_FAILED. Without a pipe
    // this is WaitProcess.
    WaitOutcome WaitForChild(pid_t pid, uint32_t timeoutMs, int* exitCode) noexcept;

  private:
    int m_slot = -1;
    // The read end while the write end waits at the slot for a start.
    int m_readEnd = -1;
    // The slot holds the read end of a pipe whose write end only the child
    // has.
    bool m_listening = false;
};

// The child's side: the starter's pipe when it was given one (a write-only
// pipe at kReadyPipeFd), now close-on-exec so that no further child
// inherits it; else an invalid descriptor. Called first thing in main, before
// anything else can open on that number.
UniqueFd TakeReadyPipe() noexcept;

// Tells the starter and closes the pipe; nothing when it is not valid. A
// starter that stopped listening costs nothing (no SIGPIPE).
void SayReady(UniqueFd& pipe) noexcept;

} // namespace platform
