// The change upload: queued library changes become new-file and removed-file
// messages, a little per pass.
#include "client/server/NodeConn.h"

#include "client/library/FileScanner.h"
#include "client/library/SharedFile.h"
#include "client/server/MessageTypes.h"
#include "include/log/Logger.h"
#include "platform/time/Clock.h"

namespace {

// Room one change takes at most: a file record and its frame header.
constexpr int kChangeFrameBytes = NodeConn::kNewFileBodyBytes + kMesgHeaderBytes;

} // namespace

void NodeConn::SendChangeQueue(FileScanner& scanner) {
    if (m_state != NC_CONNECTED || !CanSendChanges())
        return;
    const size_t queued = scanner.GetSyncQueueSize();
    if (queued > 0)
        MVLOG(LOG_INFO, "Change queue size: %i", static_cast<int>(queued));
    const uint64_t startMs = platform::MonotonicMs();
    int sent = 0;
    Buf& out = m_conn.outBuf;
    while (scanner.GetSyncQueueSize() > 0 && !m_owner.IsStopping() && m_state == NC_CONNECTED &&
           m_conn.GetSocket() != -1) {
        if (platform::MonotonicMs() - startMs >= static_cast<uint64_t>(kChangeUploadSecs) * 1000)
            break;
        if (out.GetNumUsedBytes() >= out.GetSize() / 2 || out.GetNumFreeBytes() <= kChangeFrameBytes)
            break;
        std::unique_ptr<SyncDelta> delta = scanner.PopDelta();
        if (!delta)
            break;
        ++sent;
        switch (delta->m_type) {
        case SYNC_NEW:
            (void)SendNewFile(scanner, delta->cfID);
            break;
        case SYNC_DEL:
            (void)SendFileRemoved(delta->kind, delta->cfID, scanner.GetChangeStamp());
            break;
        case SYNC_DISCONNECT:
            m_failuresSinceSuccess = 0;
            CloseConn();
            break;
        default:
            MVLOG(LOG_ERR, "Dropping a change of unknown type %u", delta->m_type);
            break;
        }
    }
    if (sent > 0)
        MVLOG(LOG_INFO, "Sent %i in %i secs", sent,
              static_cast<int>((platform::MonotonicMs() - startMs) / 1000));
    SendSyncCompleteIfDone(scanner);
}

void NodeConn::SendSyncCompleteIfDone(FileScanner& scanner) {
    if (!m_listingRequested || m_state != NC_CONNECTED || m_conn.GetSocket() == -1)
        return;
    if (scanner.GetSyncQueueSize() > 0 || scanner.HasWorkUnits())
        return;
    // The request stays until the message is really written.
    if (!SendEmpty(MSG_SYNC_COMPLETE))
        return;
    m_listingRequested = false;
    m_owner.StartPlaylistImport();
}

bool NodeConn::SendNewFile(FileScanner& scanner, uint32_t cfID) {
    SharedFile* file = scanner.FindFileByCfId(cfID);
    if (!file) {
        MVLOG(LOG_ERR, "Could not find file %i", static_cast<int>(cfID));
        return false;
    }
    bool crcFailed = false;
    if (!file->LoadFromDb(scanner.GetTables(), &crcFailed)) {
        MVLOG(LOG_CRIT, "error loading file meta data for cfID %i", static_cast<int>(cfID));
        return false;
    }
    m_newFileBody.Reset();
    const bool built = file->PutMetadata(m_newFileBody) &&
                       m_newFileBody.WriteUInt64(scanner.GetChangeStamp()) && !m_newFileBody.HasFailed();
    bool sent = false;
    if (!built)
        MVLOG(LOG_ERR, "Record of cfID %u does not fit its message; not sent", cfID);
    else
        sent = SendMessage(MSG_NEW_FILE, m_newFileBody);
    file->ReleaseMetadata();
    return sent;
}

bool NodeConn::SendFileRemoved(uint32_t kind, uint32_t cfID, uint64_t stamp) {
    Buf body(32);
    body.WriteByte(static_cast<uint8_t>(kind));
    body.WriteUInt32(cfID);
    body.WriteUInt64(stamp);
    return SendMessage(MSG_FILE_REMOVED, body);
}
