// The server connection's life: start, tick, connect, idle and login
// watchdogs, disconnects with back-off, transfers and low-priority results.
#include "client/server/NodeConn.h"

#include "client/core/RandomSource.h"
#include "client/library/FileScanner.h"
#include "client/library/LowPriScanner.h"
#include "client/library/MusicFile.h"
#include "client/server/LoginDigests.h"
#include "client/server/MessageTypes.h"
#include "client/stream/FileTransfer.h"
#include "client/upgrade/UpgradeRequest.h"
#include "include/config/ServiceSettings.h"
#include "include/crash/Assert.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/net/LocalAddress.h"
#include "platform/time/Clock.h"

#include <algorithm>

namespace {

constexpr uint32_t kUpgradeWaitMs = 10000;
constexpr int64_t kLoginCheckRetrySecs = 2;
constexpr uint32_t kBackoffBaseSecs = 10;
constexpr uint32_t kBackoffStepSecs = 5;
constexpr uint32_t kBackoffMaxSpreadSecs = 50;

// Deadlines and intervals only: a step of the wall clock must neither hold
// back a reconnect nor fire a watchdog.
int64_t Now() {
    return platform::MonotonicSeconds();
}

std::unique_ptr<FileTransfer> MakeFileTransfer(IKovikUI* ui) {
    return std::make_unique<FileTransfer>(ui);
}

} // namespace

NodeConn::NodeConn(IServerLinkOwner& owner, std::unique_ptr<LowPriScanner> lowPriScanner,
                   TransferFactory transferFactory, HelloSystemInfoReader systemInfoReader)
    : m_owner(owner), m_sessionSerial(static_cast<uint32_t>(platform::WallSeconds())),
      m_transferFactory(std::move(transferFactory)), m_systemInfoReader(std::move(systemInfoReader)),
      m_newFileBody(kNewFileBodyBytes), m_body(kInBufBytes), m_lowPriScanner(std::move(lowPriScanner)) {
    if (!m_lowPriScanner)
        m_lowPriScanner = std::make_unique<LowPriScanner>();
    if (!m_transferFactory)
        m_transferFactory = MakeFileTransfer;
    if (!m_systemInfoReader)
        m_systemInfoReader = ReadHelloSystemInfo;
}

NodeConn::~NodeConn() {
    if (m_upgrade)
        CancelUpgrade(*m_upgrade);
}

void NodeConn::InitServerConnection(const platform::SslContext* sslContext, const std::string& sessionSalt) {
    m_lowPriScanner->StartLowPriScanner();
    m_sessionSalt = sessionSalt;
    m_conn.SetBufSizes(kInBufBytes, kOutBufBytes);
    m_state = NC_NOT_CONNECTED;
    ResetToRedirector();
    if (sslContext && !m_conn.EnableSsl(*sslContext))
        MVLOG(LOG_CRIT, "Could not set up TLS for the server connection");
}

void NodeConn::ResetToRedirector() {
    ServiceSettings settings = GetServiceSettings();
    m_host = settings.redirectorHost;
    m_port = static_cast<uint16_t>(settings.redirectorPort);
}

void NodeConn::Start(int connMode, const std::wstring& userName, const std::wstring& password) {
    MV_ASSERT(connMode == NCM_NORMAL || connMode == NCM_LOGIN || connMode == NCM_ONETIME_LOGIN);
    if (userName.empty() || password.empty()) {
        // A stored account without a credential cannot sign in; nothing is
        // sent rather than an empty name or digest.
        MVLOG(LOG_ERR, "Not starting the server connection in mode %i: user name or password missing",
              connMode);
        return;
    }
    m_failuresSinceSuccess = 0;
    m_loginCheckMode = connMode != NCM_NORMAL;
    ScheduleReconnect();
    m_username = WideToUtf8(userName);
    const std::string given = WideToUtf8(password);
    if (connMode == NCM_LOGIN) {
        m_password = PasswordDigest(given);
    } else {
        m_password = given;
        if (connMode == NCM_ONETIME_LOGIN)
            m_oneTimePassword = given;
    }
    m_connMode = connMode;
    m_loginStartTime = Now();
}

void NodeConn::RequestClose() {
    m_connMode = NCM_NOT_SET;
    m_closeConn = true;
}

void NodeConn::Shutdown() {
    CloseConn();
    for (std::unique_ptr<FileTransfer>& transfer : m_transfers)
        transfer->Close();
    m_transfers.clear();
    m_lowPriScanner->Stop();
    // The worker stops at its next step; shutdown does not wait for it.
    if (m_upgrade)
        CancelUpgrade(*m_upgrade);
}

void NodeConn::CloseConn() {
    if (m_conn.GetSocket() != -1 || (m_conn.GetState() != TC_CLOSED && m_conn.GetState() != TC_NOT_CONNECTED))
        m_conn.Close();
}

void NodeConn::Tick(FileScanner& scanner) {
    StepTransfers(scanner);
    CheckIdle();
    if (m_closeConn) {
        MVLOG(LOG_INFO, "m_closeConn flag was set");
        m_closeConn = false;
        m_conn.Close();
        if (m_connMode != NCM_NOT_SET)
            MVLOG(LOG_ERR, "race condition detected! handling close request in conn mode %i", m_connMode);
    }
    if (m_conn.GetState() == TC_FAILED) {
        MVLOG(LOG_INFO, "Connection to %s:%i failed", m_conn.GetHost().c_str(), m_conn.GetPort());
        m_conn.Close();
    }
    if (m_conn.GetState() == TC_CLOSED) {
        // Frames that arrived with the peer's close are still handled.
        if (m_conn.inBuf.HasData())
            processServerBuffer(scanner);
        // Unless one of them was a redirect that already connects anew.
        if (m_conn.GetState() == TC_CLOSED) {
            OnDisconnected();
            CountFailure();
        }
    }
    SendLowPriResults(scanner);
    CheckUpgrade();
    ConnectIfDue();
    if (m_conn.GetState() == TC_CONNECTED) {
        if (m_state == NC_NOT_CONNECTED) {
            setGlobalAddresses();
            m_systemInfo = m_systemInfoReader();
            RequestSecurityString(scanner.GetNumFiles());
            m_state = NC_WAITING_FOR_SECSTR;
        } else if (m_state == NC_CONNECTED && m_connMode == NCM_NORMAL) {
            const int64_t interval = GetNumTransfers() > 0 ? kStatusSecsWithTransfers : kStatusSecs;
            // A status that does not fit now goes out on a later pass.
            if (Now() > m_lastStatusTime + interval && SendStatus())
                m_lastStatusTime = Now();
        }
        processServerBuffer(scanner);
        SendChangeQueue(scanner);
    }
}

void NodeConn::StepTransfers(FileScanner& scanner) {
    for (auto it = m_transfers.begin(); it != m_transfers.end();) {
        FileTransfer& transfer = **it;
        if (!transfer.IsFinished())
            transfer.TransferTick(scanner);
        // A finished transfer's status waits for a session that can take it.
        if (transfer.IsFinished() && m_state == NC_CONNECTED &&
            SendTransferStatus(transfer.GetId(), transfer.GetResult())) {
            transfer.Close();
            it = m_transfers.erase(it);
        } else {
            ++it;
        }
    }
}

int NodeConn::GetNumTransfers() const {
    return static_cast<int>(
        std::count_if(m_transfers.begin(), m_transfers.end(),
                      [](const std::unique_ptr<FileTransfer>& t) { return !t->IsFinished(); }));
}

void NodeConn::AddTransfer(std::unique_ptr<FileTransfer> transfer) {
    if (transfer)
        m_transfers.push_back(std::move(transfer));
}

void NodeConn::CheckIdle() {
    if (m_connMode == NCM_LOGIN || m_connMode == NCM_ONETIME_LOGIN) {
        if (Now() > m_loginStartTime + kLoginTimeoutSecs) {
            const int mode = m_connMode;
            RequestClose();
            m_owner.OnAccountAnswer(kAccountCheckTimedOut, std::wstring(), mode);
        }
        return;
    }
    if (m_conn.GetSocket() != -1 && m_conn.GetState() != TC_NOT_CONNECTED &&
        m_conn.IsReadIdleFor(kIdleTimeoutSecs)) {
        MVLOG(LOG_ERR, "No server conn activity in %i seconds, closing conn",
              static_cast<int>(kIdleTimeoutSecs));
        CountFailure();
        m_conn.Close();
    }
}

void NodeConn::ClearSecurityStrings() {
    m_serverSalt.clear();
    m_secondSecurityString.clear();
    m_sentAccountCheck = false;
    m_owner.SetWebLoginSecret(std::string());
}

void NodeConn::OnDisconnected() {
    MVLOG(LOG_INFO, "disconnected from %s:%i", m_conn.GetHost().c_str(), m_conn.GetPort());
    m_state = NC_NOT_CONNECTED;
    ClearSecurityStrings();
    ClearCanSendChanges();
    m_listingRequested = false;
    ResetToRedirector();
    m_conn.Reset();
}

void NodeConn::CountFailure() {
    MVLOG(LOG_VERB, "Conn to %s:%i has failed %i times", m_host.c_str(), m_port,
          static_cast<int>(m_failuresSinceSuccess));
    ++m_failures;
    ++m_failuresSinceSuccess;
    ScheduleReconnect();
}

void NodeConn::ScheduleReconnect() {
    int64_t delay = 0;
    if (m_failuresSinceSuccess >= 2) {
        if (m_loginCheckMode) {
            delay = kLoginCheckRetrySecs;
        } else {
            const uint32_t spread =
                std::min(kBackoffStepSecs * m_failuresSinceSuccess, kBackoffMaxSpreadSecs);
            delay = GetRandomSource().Next() % spread + kBackoffBaseSecs;
        }
    }
    MVLOG(LOG_INFO, "reconnecting in %li secs", static_cast<long>(delay));
    m_nextConnectTime = Now() + delay;
}

void NodeConn::ConnectIfDue() {
    if (m_conn.GetState() != TC_NOT_CONNECTED || m_connMode == NCM_NOT_SET || Now() < m_nextConnectTime)
        return;
    MVLOG(LOG_VERB, "starting server connection");
    m_state = NC_NOT_CONNECTED;
    ClearCanSendChanges();
    m_conn.Connect(m_host, m_port);
}

void NodeConn::setGlobalAddresses() {
    m_localIp.clear();
    m_hostName.clear();
    std::string ip;
    int error = platform::LocalIPv4Text(m_conn.GetSocket(), &ip);
    if (error != 0) {
        MVLOG(LOG_CRIT, "getsockname for fd %i failed, err: %i", m_conn.GetSocket(), error);
        return;
    }
    m_localIp = ip;
    std::string name;
    if (platform::ReverseLookupIPv4(m_localIp, &name) == 0) {
        m_hostName = name;
        MVLOG(LOG_INFO, "In setGlobalAddresses, our IP: %s, our hostName: %s", m_localIp.c_str(),
              m_hostName.c_str());
    }
}

void NodeConn::SendLowPriResults(FileScanner& scanner) {
    while (m_conn.outBuf.GetNumFreeBytes() > m_newFileBody.GetSize() + kMesgHeaderBytes &&
           m_lowPriScanner->HasResults()) {
        uint8_t result = LowPriScanner::kScanFailed;
        std::unique_ptr<FileMetaData> metadata;
        uint32_t cfID = 0, serial = 0;
        int kind = 0;
        if (!m_lowPriScanner->GetNextResult(result, metadata, cfID, kind, serial))
            break;
        MVLOG(LOG_INFO, "Got results from lps thread for cfID %i", static_cast<int>(cfID));
        // Results asked for by an earlier session are dropped.
        if (serial != m_sessionSerial || m_state != NC_CONNECTED)
            continue;
        SharedFile* file = scanner.FindFileByCfId(cfID);
        if (file && file->GetKind() == SF_MUSIC_FILE && result == LowPriScanner::kScanOk && metadata) {
            // A record already held keeps its holders' count; only a hold
            // made here is given back.
            const bool heldBefore = file->HasMetadata();
            static_cast<MusicFile*>(file)->SetMetadata(std::move(metadata));
            if (!file->UpdateInDb(scanner.GetTables()))
                MVLOG(LOG_ERR, "Could not store the scanned metadata of cfID %u", cfID);
            (void)SendFileDetails(scanner, cfID, file);
            if (!heldBefore)
                file->ReleaseMetadata();
        } else {
            (void)SendFileDetails(scanner, cfID, nullptr);
        }
    }
}

void NodeConn::CheckUpgrade() {
    if (!m_upgrade)
        return;
    bool succeeded = false;
    if (!CheckUpgradeTimeout(*m_upgrade, succeeded))
        return;
    if (succeeded) {
        WaitUpgradeThread(*m_upgrade, kUpgradeWaitMs);
        // The upgrader installs by itself; only an installer left for the
        // user is announced.
        if (!m_upgrade->resultText.empty())
            m_owner.UpgradeReady(m_upgrade->resultText);
        m_upgrade.reset();
        return;
    }
    // A cancelled worker may still be inside a download: the order is held,
    // and new orders ignored, until its thread has ended.
    if (HasUpgradeThreadEnded(*m_upgrade))
        m_upgrade.reset();
}

void NodeConn::AddToFdSets(int& maxFd, bool& any, SocketSet& readSet, SocketSet& writeSet,
                           SocketSet& exceptSet) {
    m_conn.AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
    for (std::unique_ptr<FileTransfer>& transfer : m_transfers)
        transfer->GetConn().AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
}

void NodeConn::HandleSelect(const SocketSet& readSet, const SocketSet& writeSet, const SocketSet& exceptSet) {
    m_conn.HandleSelect(readSet, writeSet, exceptSet);
    for (std::unique_ptr<FileTransfer>& transfer : m_transfers)
        transfer->GetConn().HandleSelect(readSet, writeSet, exceptSet);
}

bool NodeConn::HasWorkWithoutWaiting() {
    if (m_conn.HasPendingInput())
        return true;
    // Only results that can go out now: a server that stops reading must not
    // turn the loop into a busy wait.
    return m_conn.outBuf.GetNumFreeBytes() > m_newFileBody.GetSize() + kMesgHeaderBytes &&
           m_lowPriScanner->HasResults();
}

std::wstring NodeConn::GetStatusLine() const {
    return L"state: " + std::to_wstring(m_state) + L" failures: " + std::to_wstring(m_failures) + L" lhn: " +
           Utf8ToWide(m_hostName) + L" lip: " + Utf8ToWide(m_localIp) + L" gr: " +
           (m_gotRedirect ? L"1" : L"0");
}
