// Starting, waiting for and ending threads, and sleeping.
#pragma once

#include "platform/thread/Thread.h"

#include <cstdint>
#include <memory>

using ThreadProc = void (*)(void* argument);
using ThreadHandle = std::unique_ptr<platform::Thread>;

// Starts `procedure(argument)` on a new thread at once; true when it was
// created.
bool StartThread(ThreadProc procedure, void* argument, ThreadHandle* handle);
// Waits up to `timeoutMs` for the thread; true when it has ended. A null
// handle has nothing to wait for.
bool WaitThread(const ThreadHandle& handle, uint32_t timeoutMs);
// Lets the handle go; a thread still running goes on to its end.
void CloseThreadHandle(ThreadHandle* handle);
// Ends the calling thread.
[[noreturn]] void EndThread();
int GetCurrentThreadIdValue();

void SleepFor(uint32_t seconds, uint32_t milliseconds);
inline void SleepSecs(uint32_t seconds) {
    SleepFor(seconds, 0);
}
