#include "client/core/ReportThread.h"

#include "include/log/Logger.h"
#include "platform/thread/Thread.h"
#include "platform/time/Clock.h"

#include <atomic>

namespace {

std::atomic<int> g_running{0};

} // namespace

void SendReportInBackground(const std::wstring& text, ReportKind kind) {
    // The handle is let go at once: the thread ends by itself.
    ++g_running;
    if (!platform::Thread::Start([text, kind] {
            SendReport(text, kind);
            --g_running;
        })) {
        --g_running;
        MVLOG(LOG_ERR, "Could not start a thread for the report '%ls'", text.c_str());
    }
}

bool WaitForBackgroundReports(uint32_t timeoutMs) {
    const uint64_t deadline = platform::SystemMonotonicMs() + timeoutMs;
    while (g_running.load() > 0) {
        if (platform::SystemMonotonicMs() >= deadline)
            return false;
        platform::SleepMs(1);
    }
    return true;
}
