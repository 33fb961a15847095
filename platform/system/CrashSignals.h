// Routes the fatal signals (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) to one
// handler that runs on the thread's alternate signal stack.
#pragma once

#include <signal.h>

namespace platform {

using CrashSignalHandler = void (*)(int signo, siginfo_t* info, void* context);

// Installs `handler` for every fatal signal and gives the calling thread an
// alternate stack that lasts as long as the process. True on success.
bool InstallCrashSignalHandler(CrashSignalHandler handler) noexcept;

// Restores the default action of `signo` and raises it again, so the process
// ends by that signal once the handler returns. Async-signal-safe.
void DieBySignal(int signo) noexcept;

} // namespace platform
