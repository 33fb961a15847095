// Turns the termination signals into bytes on a pipe that a message loop can
// watch, so they are handled on the loop's thread like any other input. Only
// one SignalPipe exists at a time; the previous dispositions come back when it
// goes.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <csignal>
#include <vector>

namespace platform {

class SignalPipe {
  public:
    SignalPipe() noexcept = default;
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    // Catches `signals`. False (errno kept) when the pipe or a handler cannot
    // be set up, or another SignalPipe is active (EBUSY).
    [[nodiscard]] bool Open(const std::vector<int>& signals) noexcept;
    void Close() noexcept;
    // The descriptor to watch; -1 when closed.
    int ReadFd() const noexcept { return m_read.Get(); }
    // Takes one caught signal number; 0 when none is waiting.
    int TakeSignal() noexcept;

  private:
    UniqueFd m_read;
    UniqueFd m_write;
    std::vector<int> m_signals;
    std::vector<struct sigaction> m_saved;
};

} // namespace platform
