#include "ui/ProgramMain.h"

#include "platform/time/Clock.h"
#include "ui/CommandLine.h"

void WaitForStartupUptime(const std::function<void(uint32_t)>& sleepMs) {
    while (platform::MonotonicMs() < kStartupUptimeMs)
        sleepMs(kStartupSleepMs);
}

int ProgramMain(const std::wstring& commandLine, const ProgramEntries& entries) {
    if (HasSwitch(commandLine, kSwitchInstallCheck))
        return kInstallCheckExitCode;
    if (HasSwitch(commandLine, kSwitchFingerprint)) {
        entries.fingerprintChild();
        return 0;
    }
    if (HasSwitch(commandLine, kSwitchShowFolders))
        return entries.showFolders();
    if (HasSwitch(commandLine, kSwitchStartup))
        WaitForStartupUptime(entries.sleepMs);
    return entries.runUi(commandLine);
}
