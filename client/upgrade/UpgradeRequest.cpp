#include "client/upgrade/UpgradeRequest.h"

#include "include/log/Logger.h"
#include "platform/time/Clock.h"

void StartUpgrade(UpgradeRequest& request, uint32_t timeoutSecs) {
    request.startTime = request.lastProgress = platform::WallSeconds();
    request.timeoutSecs = timeoutSecs;
    MVLOG(LOG_INFO, "Self-upgrade is not part of this build; ignoring the upgrade to %ls",
          request.manifestPath.c_str());
    request.succeeded = false;
    request.done = true;
}

bool CheckUpgradeTimeout(UpgradeRequest& request, bool& succeeded) {
    succeeded = request.succeeded;
    return request.done;
}

void WaitUpgradeThread(UpgradeRequest& request, uint32_t milliseconds) {
    if (request.thread)
        (void)WaitThread(request.thread, milliseconds);
}
