// The Melvane program.
#include "client/core/KovikCore.h"
#include "client/media/print/FingerprintChild.h"
#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "include/thread/Threads.h"
#include "ui/CommandLine.h"
#include "ui/FrontEnd.h"
#include "ui/KovikCoreControl.h"
#include "ui/ListenerClient.h"
#include "ui/ProgramMain.h"
#include "ui/RunUi.h"

#include <unistd.h>

#include <clocale>
#include <cstdio>

namespace {

int RunNormalMode(const std::wstring& commandLine) {
    // The core itself is never destroyed: its thread may outlast RunUi.
    static KovikCoreControl core(g_core);
    std::unique_ptr<FrontEnd> frontEnd = OpenFrontEnd();

    RunUiResult result = RunUi(commandLine, core, frontEnd->Get());
    const bool reportRunning = result.reportThread && !result.reportThread->HasEnded();
    if (!result.coreThreadEnded || reportRunning) {
        // Never tear down statics under a running thread: keep the log and
        // leave at once.
        MVLOG(LOG_ERR, "A thread is still running; ending the process without clean-up");
        if (g_logger) {
            g_logger->FlushToFile();
            g_logger->Flush();
        }
        std::fflush(stdout);
        _exit(result.exitCode);
    }
    return result.exitCode;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    InstallCrashHandlers();

    ProgramEntries entries;
    entries.fingerprintChild = [] {
        FingerprintChildMain();
        return 0;
    };
    entries.runUi = RunNormalMode;
    entries.showFolders = ShowFoldersOfRunningCopy;
    entries.sleepMs = [](uint32_t ms) { SleepFor(0, ms); };
    return ProgramMain(CommandLineFromArgs(argc, argv), entries);
}
