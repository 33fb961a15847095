#include "client/upgrade/UpgradeRequest.h"

#include "client/upgrade/Upgrader.h"
#include "include/crash/CrashReport.h"
#include "include/digest/Md5.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "platform/time/Clock.h"

#include <chrono>

namespace {

bool EndsInFileName(const std::wstring& urlPath) {
    std::wstring head, tail;
    return SplitUrlPath(urlPath, head, tail) ? IsSafeFileName(tail) : IsSafeFileName(urlPath);
}

} // namespace

bool IsUpgradeOrderValid(const UpgradeRequest& request) {
    if (!IsMd5Hex(request.upgraderMd5) || !IsMd5Hex(request.manifestMd5)) {
        MVLOG(LOG_ERR, "Refusing upgrade order: digests %ls and %ls are not 32 hex digits",
              request.upgraderMd5.c_str(), request.manifestMd5.c_str());
        return false;
    }
    if (!EndsInFileName(request.upgraderPath) || !EndsInFileName(request.manifestPath)) {
        MVLOG(LOG_ERR, "Refusing upgrade order: %ls or %ls does not end in a file name",
              request.upgraderPath.c_str(), request.manifestPath.c_str());
        return false;
    }
    return true;
}

void StartUpgrade(const std::shared_ptr<UpgradeRequest>& request, uint32_t timeoutSecs) {
    request->startTime = platform::MonotonicSeconds();
    request->lastProgress = request->startTime;
    request->timeoutSecs = timeoutSecs;
    ThreadHandle thread = platform::Thread::Start([request] { DoUpgrade(*request); });
    if (!thread) {
        MVLOG(LOG_ERR, "Could not start the upgrade thread");
        request->succeeded = false;
        request->done = true;
        return;
    }
    request->thread = std::move(thread);
    MVLOG(LOG_INFO, "Launched upgrade thread");
}

bool CheckUpgradeTimeout(UpgradeRequest& request, bool& succeeded) {
    succeeded = false;
    if (!request.done &&
        platform::MonotonicSeconds() - request.lastProgress <= static_cast<int64_t>(request.timeoutSecs))
        return false;
    {
        // The worker may have finished since `done` was read: under the lock
        // its end and the time-out exclude each other.
        std::lock_guard<std::mutex> lock(request.wakeLock);
        if (request.done) {
            succeeded = request.succeeded;
            return true;
        }
        request.cancelled = true;
        request.done = true;
    }
    request.wake.notify_all();
    SendReport(L"Upgrade Timed Out", REPORT_UPGRADE);
    return true;
}

bool FinishUpgrade(UpgradeRequest& request, bool succeeded) {
    std::lock_guard<std::mutex> lock(request.wakeLock);
    if (request.cancelled || request.done)
        return false;
    request.succeeded = succeeded;
    request.done = true;
    return true;
}

void WaitUpgradeThread(UpgradeRequest& request, uint32_t milliseconds) {
    if (request.thread)
        (void)WaitThread(request.thread, milliseconds);
}

bool HasUpgradeThreadEnded(const UpgradeRequest& request) {
    return !request.thread || request.thread->HasEnded();
}

void CancelUpgrade(UpgradeRequest& request) {
    {
        std::lock_guard<std::mutex> lock(request.wakeLock);
        request.cancelled = true;
    }
    request.wake.notify_all();
}

bool PauseUnlessCancelled(UpgradeRequest& request, uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(request.wakeLock);
    return !request.wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [&] { return request.cancelled.load(); });
}

void NoteUpgradeProgress(UpgradeRequest& request) {
    request.lastProgress = platform::MonotonicSeconds();
}
