#include "ui/RunUi.h"

#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "include/text/AppStrings.h"
#include "platform/fs/LockFile.h"
#include "platform/system/UserName.h"
#include "ui/CommandLine.h"
#include "ui/InstanceLocks.h"
#include "ui/MainDlg.h"
#include "ui/MvListener.h"
#include "ui/UiPoster.h"
#include "ui/kernel/MessageLoop.h"
#include "ui/present/MessageBox.h"

#include <cerrno>

namespace {

constexpr uint32_t kInstalledNoticeSeconds = 60;

constexpr wchar_t kLockFailedText[] = L"CreateMutex failed on startup";
constexpr wchar_t kAlreadyRunningText[] =
    L"Melvane has already been started.  Check for its icon in the system tray by your computer's clock";
constexpr wchar_t kOtherSessionText[] =
    L"Melvane has already been started in another session on this computer.";

} // namespace

void ReportThreadProc(void* /*ignored*/) {
    SendReport(L"Install Launch", REPORT_INFO);
}

RunUiResult RunUi(const std::wstring& commandLine, CoreControl& core, const Presenters& presenters,
                  const ShutdownWaits& waits) {
    RunUiResult result;
    std::shared_ptr<MessageQueue> queue = MessageQueue::Create();
    if (!queue) {
        MVLOG(LOG_CRIT, "Could not create the UI message queue, error %i", errno);
        return result;
    }
    // Made first so that the boxes below run in it.
    MessageLoop loop(queue);
    loop.SetInputWaiter(presenters.waiter);
    auto errorBox = [&](const wchar_t* text) {
        RunMessageBox(loop, presenters.messageBox, text, L"Error", MB_ICONERROR);
    };

    const std::string folder = PrepareRuntimeFolder();
    platform::LockFile sessionLock;
    int error = ENOENT;
    const platform::LockOutcome session =
        folder.empty() ? platform::LOCK_FAILED : sessionLock.Acquire(SessionLockPath(folder), &error);
    if (session != platform::LOCK_ACQUIRED) {
        if (session == platform::LOCK_FAILED)
            MVLOG(LOG_CRIT, "Session lock in '%s' failed, error %i", folder.c_str(), error);
        errorBox(session == platform::LOCK_FAILED ? kLockFailedText : kAlreadyRunningText);
        queue->Close();
        result.exitCode = 1;
        return result;
    }
    // A per-user lock that cannot be made at all is no reason not to run.
    const std::string userFolder = PrepareUserLockFolder();
    platform::LockFile userLock;
    if (!userFolder.empty() && userLock.Acquire(UserLockPath(userFolder, platform::CurrentUserName()),
                                                &error) == platform::LOCK_HELD_ELSEWHERE) {
        if (!HasSwitch(commandLine, kSwitchStartup))
            errorBox(kOtherSessionText);
        queue->Close();
        result.exitCode = 1;
        return result;
    }

    auto poster = std::make_shared<UiPoster>(queue);
    {
        CMainDlg dialog(core, presenters, *poster);
        if (!dialog.CreateModeless(loop)) {
            queue->Close();
            return result;
        }
        poster->SetMainDialog(dialog.Handle());

        CMvListener listener;
        listener.SetMainDialog(dialog.Handle());
        if (!listener.Create(loop, folder + "/" + CMvListener::kSocketName))
            MVLOG(LOG_ERR, "Could not create the listener");

        (void)core.StartCore(poster.get());
        if (!core.StartCoreThread())
            MVLOG(LOG_CRIT, "Could not start the core thread");

        if (HasSwitch(commandLine, kSwitchInstalled)) {
            const bool hasAccount = core.HasAccount();
            dialog.ShowBalloon(GetAppString(hasAccount ? AS_HELPER_NAME : AS_INSTALLED),
                               GetAppString(hasAccount ? AS_UPGRADED : AS_CHANGE_FOLDERS_HINT),
                               kInstalledNoticeSeconds);
            if (!StartThread(ReportThreadProc, nullptr, &result.reportThread))
                MVLOG(LOG_ERR, "Could not start the install report");
        }

        // The dialog is created hidden and stays so.
        result.exitCode = loop.Run();
        MVLOG(LOG_INFO, "Returned from loop.Run");
        core.SetStopFlag();
        listener.Destroy();
        MVLOG(LOG_INFO, "destroyed window");

        bool ended = core.WaitCoreThread(waits.firstMs);
        if (!ended) {
            MVLOG(LOG_INFO, "Initial wait did not work");
            SendReport(L"Core Timeout", REPORT_INFO);
            // Sockets need no process-wide clean-up on Linux; the line keeps
            // the shutdown's log as it has always read.
            MVLOG(LOG_INFO, "shutdown winsock");
            ended = core.WaitCoreThread(waits.secondMs);
            MVLOG(LOG_INFO, "Finished 2nd wait");
        }
        MVLOG(LOG_INFO, "Finished waiting for thread");
        result.coreThreadEnded = ended;
        // Whatever is still queued, and whatever the core posts from now on,
        // is dropped with its payload.
        queue->Close();
    }
    poster->Disconnect();
    KeepPosterUntilExit(std::move(poster));
    return result;
}
