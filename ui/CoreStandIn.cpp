#include "ui/CoreStandIn.h"

#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/AppStrings.h"

namespace {

// The core's own log settings: memory only until a report writes it out.
constexpr int kLogBufferBytes = 262144;
constexpr uint32_t kLogFileLimit = 5242880;
constexpr uint32_t kPollMs = 100;

} // namespace

bool CoreStandIn::StartCore(IKovikUI* ui) {
    m_ui = ui;
    g_ui = ui;
    std::wstring dir = GetAppDataDir();
    if (g_logger && !dir.empty())
        g_logger->Init(false, kLogBufferBytes, GetLogFilePath(dir), kLogFileLimit);
    MVLOG(LOG_ERR, "PLACEHOLDER: the core is not connected yet; a stand-in runs that only waits to be stopped");
    return true;
}

bool CoreStandIn::StartCoreThread() { return StartThread(ThreadMain, this, &m_thread); }

bool CoreStandIn::WaitCoreThread(uint32_t timeoutMs) { return WaitThread(m_thread, timeoutMs); }

void CoreStandIn::ThreadMain(void* self) {
    auto* core = static_cast<CoreStandIn*>(self);
    if (core->m_ui)
        core->m_ui->SetStatus(0);
    while (!core->m_stop.load())
        SleepFor(0, kPollMs);
    MVLOG(LOG_INFO, "PLACEHOLDER: core stand-in stopped");
}

void CoreStandIn::PostStartRequest() { MVLOG(LOG_ERR, "PLACEHOLDER: no core; start request dropped"); }

void CoreStandIn::PostChangeAccountRequest() {
    MVLOG(LOG_ERR, "PLACEHOLDER: no core; change-account request dropped");
}

void CoreStandIn::PostSetSharesRequest(const std::vector<std::wstring>& folders) {
    MVLOG(LOG_ERR, "PLACEHOLDER: no core; %zu shared folders dropped", folders.size());
}

bool CoreStandIn::GetPlaylistDir(std::wstring* /*path*/) { return false; }

std::wstring CoreStandIn::BuildLoginUrl() { return GetAppString(AS_WEB_BASE_URL) + GetAppString(AS_WEB_ROOT_PATH); }
