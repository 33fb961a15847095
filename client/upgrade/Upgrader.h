// The upgrade worker: fetches the upgrader and the manifest, downloads the
// files that differ from the installed ones, and starts the upgrader on the
// manifest. Linux places: the upgrader lands in "upgrader" under the per-user
// data folder, the manifest and the files in a folder named after the
// manifest's digest under the private temporary folder.
#pragma once

#include "client/upgrade/UpgradeManifest.h"

#include <cstdint>
#include <string>
#include <vector>

class HttpFetcher;
struct UpgradeRequest;

constexpr int kUpgradeAttempts = 5;
constexpr uint32_t kUpgraderWaitSecs = 600;

// Runs the attempts until one starts the upgrader (succeeded), all fail (the
// report "Upgrade Failed") or the request is cancelled; sets `done` unless
// cancelled.
void DoUpgrade(UpgradeRequest& request);

// The manifest's entries whose installed file under `programDir` is missing
// or has another digest. False when the manifest cannot be read, holds an
// entry with a malformed digest or a path that leaves the folder, or an
// installed file cannot be hashed.
[[nodiscard]] bool BuildLocalChangeList(const std::wstring& programDir, const std::wstring& manifestPath,
                                        std::vector<UpgradeFileEntry>& files);
// Fetches each entry under its relative path; every file fetched counts as
// progress. False at the first failure or once cancelled.
[[nodiscard]] bool DownloadChangedFiles(HttpFetcher& fetcher, const std::vector<UpgradeFileEntry>& files,
                                        UpgradeRequest& request);
// Starts the upgrader with the manifest's path, its own path and the
// program's path, and waits up to 600 s. True when it started and either
// still runs or ended with code 0.
[[nodiscard]] bool LaunchUpgrader(const std::wstring& upgraderPath, const std::wstring& manifestPath,
                                  const std::wstring& programPath);
