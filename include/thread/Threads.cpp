#include "include/thread/Threads.h"

#include "platform/thread/ThreadId.h"
#include "platform/time/Clock.h"

#include <cerrno>
#include <ctime>

bool StartThread(ThreadProc procedure, void* argument, ThreadHandle* handle) {
    ThreadHandle started = platform::Thread::Start([procedure, argument] { procedure(argument); });
    if (!started)
        return false;
    if (handle)
        *handle = std::move(started);
    return true;
}

bool WaitThread(const ThreadHandle& handle, uint32_t timeoutMs) {
    if (!handle)
        return true;
    return handle->WaitFor(timeoutMs);
}

void CloseThreadHandle(ThreadHandle* handle) {
    if (handle)
        handle->reset();
}

void EndThread() {
    platform::ExitCurrentThread();
}

int GetCurrentThreadIdValue() {
    return platform::CurrentThreadId();
}

void SleepFor(uint32_t seconds, uint32_t milliseconds) {
    platform::SleepMs(seconds * 1000 + milliseconds);
}
