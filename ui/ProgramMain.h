// The program's entry after process set-up: the command-line modes, the wait
// of a start at log-on, then the normal mode.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// A start at log-on waits until the machine has been up this long.
constexpr uint64_t kStartupUptimeMs = 300000;
constexpr uint32_t kStartupSleepMs = 10000;

// Exit codes of the modes.
constexpr int kInstallCheckExitCode = 100;

struct ProgramEntries {
    // The fingerprint child's loop.
    std::function<int()> fingerprintChild;
    // Sends the running copy "show-folders"; returns the exit code.
    std::function<int()> showFolders;
    // The normal mode with the command line; returns the exit code.
    std::function<int(const std::wstring&)> runUi;
    // Sleeps; the boot-time clock (platform::MonotonicMs) tells the uptime.
    std::function<void(uint32_t)> sleepMs;
};

int ProgramMain(const std::wstring& commandLine, const ProgramEntries& entries);

// Sleeps in steps until the uptime reaches kStartupUptimeMs.
void WaitForStartupUptime(const std::function<void(uint32_t)>& sleepMs);
