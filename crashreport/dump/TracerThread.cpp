#include "crashreport/dump/TracerThread.h"

#include "platform/thread/Thread.h"

#include <cstdint>

bool RunAsTracer(const std::function<bool()>& work) {
    bool result = false;
    std::unique_ptr<platform::Thread> thread = platform::Thread::Start([&] { result = work(); });
    if (!thread)
        return false;
    // `work` and `result` live on this stack: the wait has no limit.
    while (!thread->WaitFor(UINT32_MAX)) {
    }
    return result;
}
