// An upgrade the server ordered: where the upgrader and the manifest are and
// their digests. This build does not upgrade itself yet: a started upgrade
// finishes at once without success, so the order is only forgotten. The
// download and the hand-over to the upgrader arrive with self-upgrade.
#pragma once

#include "include/thread/Threads.h"

#include <cstdint>
#include <string>

struct UpgradeRequest {
    std::wstring upgraderPath;
    std::wstring upgraderMd5;
    std::wstring manifestPath;
    std::wstring manifestMd5;
    bool done = false;
    bool succeeded = false;
    int64_t startTime = 0;
    int64_t lastProgress = 0;
    uint32_t timeoutSecs = 0;
    std::wstring resultText;
    ThreadHandle thread;
};

void StartUpgrade(UpgradeRequest& request, uint32_t timeoutSecs);
// True when the upgrade has finished (or stalled past its time-out);
// `succeeded` tells how it ended.
bool CheckUpgradeTimeout(UpgradeRequest& request, bool& succeeded);
void WaitUpgradeThread(UpgradeRequest& request, uint32_t milliseconds);
