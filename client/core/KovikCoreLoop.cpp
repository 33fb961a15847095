// The core thread's select loop and its shutdown.
#include "client/core/KovikCore.h"

#include "client/core/CorePort.h"
#include "client/core/IKovikUI.h"
#include "client/core/ReportThread.h"
#include "client/library/FileScanner.h"
#include "client/library/MusicSearch.h"
#include "client/library/ShareMon.h"
#include "client/net/TcpConn.h"
#include "client/stream/FileStreamer.h"
#include "include/log/Logger.h"
#include "include/net/Sockets.h"
#include "include/system/SystemInfo.h"
#include "include/text/AppStrings.h"
#include "platform/time/Clock.h"

namespace {

constexpr int64_t kStatsDelaySecs = 300;
constexpr int64_t kFolderQuietSecs = 3;
constexpr int64_t kAwakeCheckSecs = 25;
constexpr int64_t kSecsPerHour = 3600;
constexpr long kSelectWaitMicros = 100000;
constexpr uint32_t kMusicSearchWaitMs = 10000;
constexpr uint8_t kOnMainsPower = 1;

// Every time the loop keeps is an interval that is neither stored nor sent, so
// it runs on the monotonic clock: a step of the wall clock neither holds back
// nor hurries a timer.
int64_t Now() {
    return platform::MonotonicSeconds();
}

// Play-count reports come at least hourly.
int64_t PlayCountIntervalSecs(uint32_t hours) {
    return static_cast<int64_t>(hours == 0 ? 1 : hours) * kSecsPerHour;
}

} // namespace

void KovikCore::RunCoreLoop() {
    if (!m_started) {
        // Nothing the loop works on was set up.
        FatalError(GetAppString(AS_SETUP_PROBLEM));
        return;
    }
    BeginLoop();
    while (!IsStopping()) {
        if (!LoopPass())
            break;
    }
    ShutdownCore();
}

void KovikCore::BeginLoop() {
    m_running.store(true);
    m_startTime = Now();
    if (m_ui)
        m_ui->SetStatus(0);
}

bool KovikCore::LoopPass() {
    if (!m_fileStreamer->IsStarted() && m_nodeConn->HasConnectedOnce())
        m_fileStreamer->Start(*m_scanner, *m_nodeConn, m_sessionSalt);
    StepAccountState();
    LogStats();
    CheckPlaycountTimer();
    if (!m_pendingPlaylists.empty() && m_nodeConn->GetState() == NC_CONNECTED &&
        m_nodeConn->GetConnMode() == NCM_NORMAL)
        (void)m_nodeConn->SendPlaylist(m_pendingPlaylists);
    ProcessUiRequests();
    UpdateStatus();
    CheckScanTimers();
    KeepAwake();
    m_upTime = Now() - m_startTime;

    SocketSet readSet, writeSet, exceptSet;
    int maxFd = 0;
    bool any = false;
    m_nodeConn->Tick(*m_scanner);
    m_fileStreamer->ServiceConns();
    m_nodeConn->AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
    m_fileStreamer->FillSelectSets(maxFd, any, readSet, writeSet, exceptSet);
    TcpConn::FillListenFdSets(readSet, maxFd);

    const bool scanWork = m_scanner->HasWorkUnits() && m_scanner->BelowOutstandingLimit();
    const bool streamWork = m_fileStreamer->HasWorkWithoutWaiting();
    if (scanWork)
        m_scanner->ScanStep();
    // Writes that no later write follows are committed all the same.
    m_scanner->CommitWaitingWrites();

    // Listening sockets count too: a listener alone must still be accepted.
    if (readSet.IsEmpty() && writeSet.IsEmpty() && exceptSet.IsEmpty()) {
        if (!scanWork && !streamWork)
            SleepUnlessStopped(0, 100);
        return true;
    }
    const bool noWait = scanWork || streamWork || m_nodeConn->HasWorkWithoutWaiting() || IsStopping();
    timeval timeout{0, noWait ? 0 : kSelectWaitMicros};
    if (selectSockets(maxFd + 1, &readSet, &writeSet, &exceptSet, &timeout) == -1)
        MVLOG(LOG_ERR, "Select failed, err %i", getLastSocketError());
    if (IsStopping())
        return false;
    m_nodeConn->HandleSelect(readSet, writeSet, exceptSet);
    m_fileStreamer->ProcessSelectResults(readSet, writeSet, exceptSet);
    TcpConn::Accept(readSet);
    return true;
}

void KovikCore::ShutdownCore() {
    MVLOG(LOG_VERB, "about to end transaction");
    m_scanner->EndTransaction();
    MVLOG(LOG_VERB, "done");
    m_scanner->Cleanup();
    TcpConn::CloseAllListenPorts();
    LogStats();
    m_musicSearch->WaitForThread(kMusicSearchWaitMs);
    MVLOG(LOG_VERB, "about to free resources");
    m_shareMon->Stop();
    {
        MutexLock lock(m_sharesLock);
        m_shares.clear();
    }
    m_nodeConn->Shutdown();
    // Searches and imports that still run post to nothing from here on.
    m_port->Detach();
    MVLOG(LOG_VERB, "core is about to set running bit false, ran for %u secs",
          static_cast<unsigned>(m_upTime));
    m_running.store(false);
}

void KovikCore::LogStats() {
    // A run stopped before its first pass never decided whether it had to
    // sign in; only a run that did sends its statistics.
    if (m_statsDone || m_accountState == NONE)
        return;
    if (!IsStopping() && Now() <= m_startTime + kStatsDelaySecs)
        return;
    MVLOG(LOG_INFO, "STAT_numShares: %i", ShareCount());
    for (const std::wstring& share : GetShares())
        MVLOG(LOG_INFO, "STAT_share: '%ls'", share.c_str());
    MVLOG(LOG_INFO, "STAT_scanner: '%ls'", m_scanner->GetStatusText().c_str());
    MVLOG(LOG_INFO, "STAT_sc: '%ls'", m_nodeConn->GetStatusLine().c_str());
    m_statsDone = true;
    // While the loop runs the report must not hold it up; at shutdown the
    // report is sent before the process goes.
    if (IsStopping())
        SendReport(L"Stats", REPORT_INFO);
    else
        SendReportInBackground(L"Stats", REPORT_INFO);
}

void KovikCore::SetPlayCountSettings(bool enabled, uint32_t hours) {
    m_playCountsEnabled = enabled;
    m_playCountHours = hours;
    if (enabled)
        m_nextPlayCountTime = Now() + PlayCountIntervalSecs(hours);
}

void KovikCore::CheckPlaycountTimer() {
    if (!m_playCountsEnabled)
        return;
    if (!m_pendingPlayCounts.empty()) {
        // Counts wait for a normal session; a reconnect loses none.
        if (m_nodeConn->GetState() == NC_CONNECTED && m_nodeConn->GetConnMode() == NCM_NORMAL)
            (void)m_nodeConn->SendPlayCounts(m_pendingPlayCounts);
        return;
    }
    if (Now() > m_nextPlayCountTime) {
        MVLOG(LOG_INFO, "playcount reporting interval elapsed. requesting playcount report");
        RequestPlaycountReport();
    }
}

void KovikCore::RequestPlaycountReport() {
    if (!m_playCountsEnabled || m_playCountThread || m_scanner->IsScanning())
        return;
    bool initial = false;
    bool notFound = false;
    if (GetActionCount(m_configDb.Get(), kActionInitialPlayCount, notFound) <= 0) {
        initial = true;
        (void)IncrementAction(m_configDb.Get(), kActionInitialPlayCount);
    }
    MVLOG(LOG_INFO, "playcounts reporting requested");
    m_nextPlayCountTime = Now() + PlayCountIntervalSecs(m_playCountHours);
    auto request = std::make_unique<PlayCountImportRequest>();
    request->initial = initial;
    request->port = m_port;
    // Kept until its result arrives, so imports never overlap.
    m_playCountThread = m_startPlayCountImport(std::move(request));
}

void KovikCore::UpdateStatus() {
    uint32_t bits = 0;
    if (m_nodeConn->GetState() == NC_CONNECTED)
        bits |= kStatusConnected;
    if (m_nodeConn->GetNumTransfers() > 0)
        bits |= kStatusTransfers;
    if (bits != m_statusBits) {
        m_statusBits = bits;
        if (m_ui)
            m_ui->SetStatus(bits);
    }
}

int64_t KovikCore::FullScanInterval(int numFiles) {
    if (numFiles < 500)
        return 10;
    if (numFiles < 2000)
        return 60;
    if (numFiles < 7000)
        return 120;
    return 300;
}

void KovikCore::CheckScanTimers() {
    const int64_t now = Now();
    std::list<std::unique_ptr<ScanFileRequest>> changes;
    m_shareMon->TakeChanges(changes);
    for (std::unique_ptr<ScanFileRequest>& change : changes) {
        m_lastFolderEventTime = now;
        if (!change || change->GetType() == FILE_MODIFIED)
            continue;
        // A file that is created and then closed after writing asks twice.
        if (change->GetType() == SINGLE_FILE && !m_pendingSingleFiles.insert(change->GetPath()).second)
            continue;
        m_pendingFolderEvents.push_back(std::move(change));
    }
    const int64_t quiet = now - m_lastFolderEventTime;
    if (quiet < 0 || quiet <= kFolderQuietSecs || m_pendingFolderEvents.empty())
        return;

    bool fullScanAsked = false;
    for (const std::unique_ptr<ScanFileRequest>& event : m_pendingFolderEvents)
        fullScanAsked = fullScanAsked || event->GetType() == FULL_SCAN;
    if (!fullScanAsked) {
        std::unique_ptr<ScanFileRequest> event = std::move(m_pendingFolderEvents.front());
        m_pendingFolderEvents.pop_front();
        m_pendingSingleFiles.erase(event->GetPath());
        if (event->GetType() != SINGLE_FILE) {
            MVLOG(LOG_ERR, "Dropping folder event of unknown type %i for '%ls'", event->GetType(),
                  event->GetPath().c_str());
            return;
        }
        MVLOG(LOG_INFO, "Requesting scan for single file: '%ls'", event->GetPath().c_str());
        m_scanner->ScanSingleFile(event->GetPath(), 0);
        return;
    }
    // 0: no full scan was started from folder events yet.
    if (m_lastFullScanTime != 0 && now - m_lastFullScanTime <= FullScanInterval(m_scanner->GetNumFiles()))
        return;
    MVLOG(LOG_INFO, "Waited interval, now kicking off full scan");
    m_scanner->initScan(false);
    m_lastFullScanTime = now;
    m_pendingFolderEvents.clear();
    m_pendingSingleFiles.clear();
}

void KovikCore::KeepAwake() {
    const int64_t now = Now();
    if (now <= m_nextAwakeCheck)
        return;
    uint32_t idleSeconds = 0;
    uint8_t acLineStatus = 0, batteryPercent = 0;
    GetUserIdleInfo(idleSeconds, acLineStatus, batteryPercent);
    if (acLineStatus == kOnMainsPower)
        KeepSystemAwake();
    m_nextAwakeCheck = now + kAwakeCheckSecs;
}
