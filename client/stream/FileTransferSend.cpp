// The sending side: answers the receiver's requests with a header, the
// bytes of the file region and a checksum.
#include "client/stream/FileTransfer.h"

#include "client/core/IKovikUI.h"
#include "client/stream/TransferMessage.h"
#include "client/stream/TransferTempFile.h"
#include "include/fs/FileCmds.h"
#include "include/log/Logger.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

int FileTransfer::StartSending() {
    m_filePath = m_start.path;
    m_md = FileMetaData();
    m_md.SetPath(m_filePath);
    if (!m_md.ReadQuickInfo()) {
        MVLOG(LOG_ERR, "Could not load metadata for %ls", m_filePath.c_str());
        return TS_READ_MD_FAILED;
    }
    uint64_t fileSetID = 0;
    if (!FileSetIdOfDigest(m_md.GetDigest(), fileSetID) || fileSetID != m_start.fileSetID) {
        MVLOG(LOG_ERR, "Digest mismatch when sending %ls, %llx vs %llx", m_filePath.c_str(),
              static_cast<unsigned long long>(fileSetID), static_cast<unsigned long long>(m_start.fileSetID));
        return TS_HASH_DIFF;
    }
    m_fd.Reset(openFileRead(m_filePath, 0));
    if (!m_fd.IsValid()) {
        MVLOG(LOG_ERR, "Could not open file for transfer");
        return TS_OPEN_FAILED;
    }
    return kStartGoingOn;
}

bool FileTransfer::SeekFile(int64_t pos) {
    if (lseek(m_fd.Get(), static_cast<off_t>(pos), SEEK_SET) == static_cast<off_t>(pos))
        return true;
    MVLOG(LOG_ERR, "Could not seek %ls to %lli, errno %i", m_filePath.c_str(), static_cast<long long>(pos),
          errno);
    Fail(TS_EBADF);
    return false;
}

void FileTransfer::QueueHeader(uint32_t type, int64_t length, State next) {
    TransferMessage header;
    header.type = type;
    header.length = length;
    // OnTransferMessage made sure of the room.
    if (!WriteTransferMessage(m_conn.outBuf, header)) {
        MVLOG(LOG_ERR, "No room for %s", TransferMessageName(type));
        Fail(TS_EBADF);
        return;
    }
    m_bytesRemaining = length;
    m_state = next;
    ResetDigest();
}

void FileTransfer::SendTagHeader() {
    if (SeekFile(0))
        QueueHeader(FT_TAG_HEADER, static_cast<int64_t>(m_md.GetDataOffset()), SENDING_TAG);
}

void FileTransfer::SendDataHeader(int64_t start, int64_t count) {
    // The data region runs from the audio data to the end of the file.
    const int64_t region = static_cast<int64_t>(m_md.GetDataLen() + m_md.m_id3v1Len);
    const int64_t from = std::clamp<int64_t>(start, 0, region);
    const int64_t length = count < 0 || count > region - from ? region - from : count;
    if (from != start || (count >= 0 && length != count))
        MVLOG(LOG_INFO, "Request for %lli bytes from %lli of %ls taken as %lli from %lli",
              static_cast<long long>(count), static_cast<long long>(start), m_filePath.c_str(),
              static_cast<long long>(length), static_cast<long long>(from));
    if (SeekFile(static_cast<int64_t>(m_md.GetDataOffset()) + from))
        QueueHeader(FT_DATA_HEADER, length, SENDING_DATA);
}

void FileTransfer::SendChunk() {
    Buf& out = m_conn.outBuf;
    // Free once compacted (ReadFromFile compacts), so unsent bytes move only
    // when a read follows.
    if (m_bytesRemaining <= 0 || out.GetSize() - out.GetNumUsedBytes() - 1 <= out.GetSize() / 2)
        return;
    const int got = out.ReadFromFile(m_fd.Get(), m_bytesRemaining, &m_digest);
    MVLOG(LOG_VERB, "Read %i bytes from %ls", got, m_filePath.c_str());
    if (got > 0) {
        m_hashedBytes += got;
        m_bytesRemaining -= got;
        return;
    }
    if (got == 0)
        MVLOG(LOG_ERR, "%ls ended %lli bytes before what was promised", m_filePath.c_str(),
              static_cast<long long>(m_bytesRemaining));
    else
        MVLOG(LOG_ERR, "Unable to read from '%ls', err %i", m_filePath.c_str(), errno);
    Fail(TS_EBADF);
}

void FileTransfer::SendChecksum() {
    if (m_finished || m_bytesRemaining > 0)
        return;
    TransferMessage checksum;
    checksum.type = FT_CHECKSUM;
    checksum.hashedBytes = m_hashedBytes;
    checksum.digest = GetDigestHex();
    // Without room it waits for a later pass.
    if (!WriteTransferMessage(m_conn.outBuf, checksum))
        return;
    MVLOG(LOG_INFO, "Finished sending %lli bytes from %ls, cs: %s", static_cast<long long>(m_hashedBytes),
          m_filePath.c_str(), checksum.digest.c_str());
    if (m_state == SENDING_DATA) {
        m_allSent = true;
        Notify(TransferNotice::kSent, m_filePath);
    }
    m_state = IDLE;
}
