// An upgrade the server ordered: where the upgrader and the manifest are on
// the web site and their digests. The worker thread downloads them and the
// changed files and starts the upgrader; the server connection checks on it
// every pass and cancels it when it stalls. The worker shares the order
// through a shared_ptr, so a cancelled order lives until its thread has
// ended whoever lets go of it first.
#pragma once

#include "include/thread/Threads.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

struct UpgradeRequest {
    static constexpr uint32_t kRetryPauseMs = 60000;

    std::wstring upgraderPath;
    std::wstring upgraderMd5;
    std::wstring manifestPath;
    std::wstring manifestMd5;
    // Set by the worker or the time-out, whichever ends the order first
    // (under `wakeLock`); `succeeded` only with `done`.
    std::atomic<bool> done{false};
    std::atomic<bool> succeeded{false};
    // Monotonic seconds: a step of the wall clock neither stalls nor rushes
    // the time-out.
    int64_t startTime = 0;
    std::atomic<int64_t> lastProgress{0};
    uint32_t timeoutSecs = 0;
    // Set by the worker before it sets `succeeded`; empty today: the upgrader
    // installs by itself, so there is no installer for the user to start.
    std::wstring resultText;
    ThreadHandle thread;

    // The installed program; empty: this executable. Tests point it at a
    // folder of their own.
    std::wstring programPath;
    uint32_t retryPauseMs = kRetryPauseMs;

    std::atomic<bool> cancelled{false};
    std::mutex wakeLock;
    std::condition_variable wake;
};

// Both digests exactly 32 hex digits and both URL paths ending in a plain
// file name; otherwise logs the refusal at ERR and returns false.
[[nodiscard]] bool IsUpgradeOrderValid(const UpgradeRequest& request);

void StartUpgrade(const std::shared_ptr<UpgradeRequest>& request, uint32_t timeoutSecs);
// True when the upgrade has finished, or has stalled past its time-out (then
// reported as "Upgrade Timed Out" and cancelled); `succeeded` tells how it
// ended.
bool CheckUpgradeTimeout(UpgradeRequest& request, bool& succeeded);
// Ends the order from its worker. False, and nothing changes, when it was
// cancelled or timed out first.
[[nodiscard]] bool FinishUpgrade(UpgradeRequest& request, bool succeeded);
void WaitUpgradeThread(UpgradeRequest& request, uint32_t milliseconds);
bool HasUpgradeThreadEnded(const UpgradeRequest& request);
// Tells the worker to stop at its next step; wakes it from a pause.
void CancelUpgrade(UpgradeRequest& request);
// Sleeps up to `milliseconds` unless the request is cancelled; false when it
// was.
bool PauseUnlessCancelled(UpgradeRequest& request, uint32_t milliseconds);
void NoteUpgradeProgress(UpgradeRequest& request);
