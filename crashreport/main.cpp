// Melvane-Helper, the crash-report uploader that the program starts after a
// crash, a failed assertion or a report.
#include "crashreport/ChosenPresenter.h"
#include "crashreport/HelperMain.h"
#include "include/config/ServiceSettings.h"
#include "include/crash/CrashReport.h"
#include "include/fs/PathUtil.h"
#include "include/process/RunProcess.h"
#include "include/text/Utf8.h"
#include "include/thread/Threads.h"
#include "platform/process/ReadyPipe.h"

#include <clocale>

int main(int argc, char** argv) {
    // Taken before anything else can open on its number.
    platform::UniqueFd readyPipe = platform::TakeReadyPipe();
    std::setlocale(LC_CTYPE, "C.UTF-8");
    // A failure in here must never start another uploader.
    EnableCrashReports(false);
    // The program's logger is never initialised here: its lines go nowhere.

    const ServiceSettings settings = GetServiceSettings();
    ChosenPresenter presenter;
    HelperEnv env;
    env.presenter = &presenter;
    env.sleepMs = [](uint32_t ms) { SleepFor(0, ms); };
    env.startProgram = [](const std::string& program) {
        bool launchFailed = false;
        bool exited = false;
        uint32_t exitCode = 0;
        RunProcess({Utf8ToWide(program)}, 0, launchFailed, exited, exitCode);
    };
    env.target = UploadTarget{settings.crashEndpoint, settings.caFile};
    env.supportEmail = settings.supportEmail;
    env.folderParent = WideToUtf8(GetTempFolderPath());
    env.copiesTaken = [&readyPipe] { platform::SayReady(readyPipe); };
    return HelperMain(argc, argv, env);
}
