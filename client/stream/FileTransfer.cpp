#include "client/stream/FileTransfer.h"

#include "include/log/Logger.h"

int FileTransfer::StartPassive(const TransferStart& start) {
    m_start = start;
    MVLOG(LOG_INFO, "Peer transfers are not part of this build; refusing transfer %ls",
          start.id.ToText().c_str());
    m_finished = true;
    return TS_ABORTED;
}

int FileTransfer::StartActive(const TransferStart& start) {
    return StartPassive(start);
}

void FileTransfer::Close() {
    if (m_conn.GetSocket() != -1 || m_conn.GetState() == TC_LISTENING)
        m_conn.Close();
}
