// The change queue the server link drains, the full listing, and the window
// of new files sent and not yet acknowledged.
#include "client/core/ReportThread.h"
#include "client/library/FileScanner.h"
#include "client/library/SharedFile.h"
#include "include/crash/Assert.h"
#include "include/log/Logger.h"

void FileScanner::QueueDelta(const SharedFile* file, SyncDeltaType type) {
    SyncDelta delta;
    delta.m_type = type;
    if (type != SYNC_DISCONNECT) {
        MV_ASSERT(file != nullptr);
        MV_ASSERT(type == SYNC_NEW ? file->StoredInDB() : type == SYNC_DEL);
        delta.cfID = file->GetClientFileID();
        delta.kind = file->GetKind();
    }
    QueueDelta(delta);
}

void FileScanner::QueueDelta(const SyncDelta& delta) {
    if (m_queueDisabled) {
        MVLOG(LOG_VERB, "Not queueing delta because queueing was disabled");
        return;
    }
    m_serverSyncQueue.push_back(delta);
}

std::unique_ptr<SyncDelta> FileScanner::PopDelta() {
    if (m_serverSyncQueue.empty())
        return nullptr;
    auto delta = std::make_unique<SyncDelta>(m_serverSyncQueue.front());
    m_serverSyncQueue.pop_front();
    CountDeltaTaken();
    return delta;
}

void FileScanner::ClearSyncQueue() {
    m_serverSyncQueue.clear();
    m_queueDisabled = true;
}

void FileScanner::QueueFullListing() {
    ClearSyncQueue();
    CommitAndBegin();
    m_queueDisabled = false;
    for (const auto& [cfID, file] : m_filesById)
        QueueDelta(file.get(), SYNC_NEW);
}

bool FileScanner::BelowOutstandingLimit() const {
    return static_cast<int64_t>(m_numOutstanding) < static_cast<int64_t>(m_maxOutstanding);
}

void FileScanner::FinishNewFile(uint32_t cfID) {
    SharedFile* file = FindFileByCfId(cfID);
    if (!file)
        return;
    if (!file->GetNewFile()) {
        MVLOG(LOG_ERR, "Acknowledgement for cfID %u, which is not a new file; ignored", cfID);
        return;
    }
    file->SetNewFile(false);
    // The record was kept from the scan until the server had the file.
    if (file->HasMetadata())
        file->ReleaseMetadata();
    if (m_numOutstanding > 0)
        --m_numOutstanding;
    else
        MVLOG(LOG_ERR, "Acknowledgement for cfID %u with no new file outstanding", cfID);
}

void FileScanner::CheckNumOutstanding() {
    int32_t numNew = 0;
    for (const auto& [cfID, file] : m_filesById) {
        if (file->GetNewFile())
            ++numNew;
    }
    if (numNew == m_numOutstanding)
        return;
    MVLOG(LOG_ERR, "%i files are flagged new, but %i are counted outstanding; counting the flagged", numNew,
          m_numOutstanding);
    SendReportInBackground(L"numNew == this->m_numOutstanding", REPORT_INFO);
    m_numOutstanding = numNew;
}
