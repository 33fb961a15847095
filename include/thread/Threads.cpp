#include "include/thread/Threads.h"

#include "platform/thread/ThreadId.h"

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
    uint64_t total = static_cast<uint64_t>(seconds) * 1000 + milliseconds;
    timespec ts{static_cast<time_t>(total / 1000), static_cast<long>(total % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}
