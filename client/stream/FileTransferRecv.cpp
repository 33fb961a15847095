// The receiving side: asks for the tag region and the audio data, writes
// them to the temporary file, checks every phase's checksum and, at the
// end, the content, then tags the file and moves it into place.
#include "client/stream/FileTransfer.h"

#include "client/core/IKovikUI.h"
#include "client/core/ReportThread.h"
#include "client/stream/DownloadPath.h"
#include "client/stream/TransferMessage.h"
#include "client/stream/TransferTempFile.h"
#include "client/stream/UitsTag.h"
#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

int FileTransfer::StartReceiving() {
    if (!MakeDownloadPath(m_start.path, m_start.dirName, m_start.fileName, m_filePath)) {
        MVLOG(LOG_ERR, "Could not open file for transfer");
        return TS_OPEN_FAILED;
    }
    m_tempPath = GetTempFilePath(CreateTempName(m_start.id, m_start.fileSetID));
    if (m_tempPath.empty()) {
        MVLOG(LOG_ERR, "Could not open file for transfer");
        return TS_OPEN_FAILED;
    }
    m_md = TempFileRecord(m_tempPath, m_filePath);
    const ResumePoint point = ProbeTempFile(m_md);
    m_tagDone = point.tagDone;
    m_resumeOffset = point.resumeOffset;
    m_fd.Reset(OpenTempFile(m_tempPath, point.startPos));
    if (!m_fd.IsValid()) {
        MVLOG(LOG_ERR, "Could not open file for transfer");
        return TS_OPEN_FAILED;
    }
    return kStartGoingOn;
}

void FileTransfer::SendRequest() {
    TransferMessage request;
    if (m_tagDone) {
        request.type = FT_REQUEST_DATA;
        request.start = m_resumeOffset;
        request.count = -1;
    } else {
        request.type = FT_REQUEST_TAG;
    }
    // Requests are the only thing a receiver writes: there is room.
    if (!WriteTransferMessage(m_conn.outBuf, request)) {
        MVLOG(LOG_ERR, "No room for %s", TransferMessageName(request.type));
        Fail(TS_EBADF);
        return;
    }
    m_state = m_tagDone ? RECVING_DATA_HEADER : RECVING_TAG_HEADER;
}

bool FileTransfer::TakeHeader(const TransferMessage& message) {
    const bool tag = message.type == FT_TAG_HEADER;
    // The whole file is at most the announced size, and the temporary file
    // already holds its first bytes: a resumed download cannot grow it past
    // the size either.
    const int64_t size = m_start.size > 0 ? m_start.size : kMaxDataBytes;
    int64_t limit = std::min(kMaxTagBytes, size);
    if (!tag) {
        const off_t held = lseek(m_fd.Get(), 0, SEEK_CUR);
        limit = size - (held > 0 ? held : 0);
    }
    if (message.length < 0 || message.length > limit) {
        MVLOG(LOG_ERR, "Refusing %s of %lli bytes (at most %lli) for %ls", TransferMessageName(message.type),
              static_cast<long long>(message.length), static_cast<long long>(limit), m_filePath.c_str());
        Fail(TS_READ_ERROR);
        // A peer that announces too much would leave a file behind for
        // every transfer id.
        (void)deleteFile(m_tempPath, true);
        return false;
    }
    m_bytesRemaining = message.length;
    if (!tag)
        m_dataTotal = message.length;
    ResetDigest();
    m_state = tag ? RECVING_TAG : RECVING_DATA;
    return true;
}

void FileTransfer::WriteTemp(bool flush) {
    Buf& in = m_conn.inBuf;
    while (m_bytesRemaining > 0 && in.HasData()) {
        // Large pieces, except for the last one of a phase.
        if (!flush && in.GetNumUsedBytes() < in.GetSize() / 2)
            return;
        const int written = in.WriteToFile(m_fd.Get(), m_bytesRemaining, &m_digest);
        if (written <= 0) {
            // A full disk included: the partial file goes, and the transfer ends.
            MVLOG(LOG_CRIT, "write to temp file %ls failed. err: %i", m_tempPath.c_str(), errno);
            Fail(TS_EBADF);
            if (!deleteFile(m_tempPath, false))
                MVLOG(LOG_CRIT, "write to temp file %ls failed & file did not exist.", m_tempPath.c_str());
            return;
        }
        m_hashedBytes += written;
        m_bytesRemaining -= written;
    }
}

void FileTransfer::FinishReceive() {
    Buf& in = m_conn.inBuf;
    if (in.GetNumUsedBytes() < m_bytesRemaining)
        return;
    WriteTemp(true);
    if (m_finished)
        return;
    TransferMessage checksum;
    const TransferRead read = ReadTransferMessage(in, checksum);
    if (read == TR_INCOMPLETE)
        return;
    if (read == TR_BAD || checksum.type != FT_CHECKSUM) {
        MVLOG(LOG_ERR, "Expected a checksum after the bytes of %ls", m_filePath.c_str());
        Fail(TS_READ_ERROR);
        return;
    }
    const std::string digest = GetDigestHex();
    if (checksum.hashedBytes != m_hashedBytes || checksum.digest != digest) {
        MVLOG(LOG_ERR, "hash mismatch: byte count: %lli vs %lli, hash '%s' vs '%s'",
              static_cast<long long>(m_hashedBytes), static_cast<long long>(checksum.hashedBytes),
              digest.c_str(), checksum.digest.c_str());
        RejectContent();
        return;
    }
    if (!m_tagDone) {
        m_tagDone = true;
        SendRequest();
        return;
    }
    FinishDownload();
}

void FileTransfer::FinishDownload() {
    Close();
    if (!HasExpectedContent()) {
        RejectContent();
        return;
    }
    if (!m_start.uitsTag.empty() && !EmbedTag())
        return;
    MVLOG(LOG_INFO, "renaming temp file %ls to %ls", m_tempPath.c_str(), m_filePath.c_str());
    if (!MoveIntoDownloadFolder(m_tempPath, m_start.path, m_filePath)) {
        MVLOG(LOG_ERR, "Failed to rename download from tempfile to destination %ls", m_filePath.c_str());
        SetFinishedWithCode(TS_MOVE_FAILED);
        return;
    }
    SetFinishedWithCode(TS_SUCCESS);
    Notify(TransferNotice::kReceived, m_filePath);
}

bool FileTransfer::EmbedTag() {
    if (!EmbedUitsTag(m_tempPath, m_start.uitsOwner, m_start.uitsTag, true)) {
        MVLOG(LOG_ERR, "Embedding UITS Tag for %ls failed", m_tempPath.c_str());
        SetFinishedWithCode(TS_UITS_FAILED);
        return false;
    }
    // The tag library may find a tag where our reading finds audio (a stray
    // byte before "ID3"): then the file it saved is no longer the content
    // the server named, and it is of no use for a later try either.
    if (!HasExpectedContent()) {
        MVLOG(LOG_ERR, "Embedding UITS Tag for %ls changed its content", m_tempPath.c_str());
        (void)deleteFile(m_tempPath, true);
        SetFinishedWithCode(TS_UITS_FAILED);
        return false;
    }
    return true;
}

bool FileTransfer::HasExpectedContent() {
    m_md = TempFileRecord(m_tempPath, m_filePath);
    uint64_t fileSetID = 0;
    if (!m_md.ReadQuickInfo() || !FileSetIdOfDigest(m_md.GetDigest(), fileSetID)) {
        MVLOG(LOG_ERR, "Could not read the content of the download %ls", m_tempPath.c_str());
        return false;
    }
    if (fileSetID != m_start.fileSetID) {
        MVLOG(LOG_ERR, "Digest mismatch in download %ls, %llx vs %llx", m_tempPath.c_str(),
              static_cast<unsigned long long>(fileSetID), static_cast<unsigned long long>(m_start.fileSetID));
        return false;
    }
    return true;
}

void FileTransfer::RejectContent() {
    Close();
    (void)deleteFile(m_tempPath, true);
    SendReportInBackground(L"Hash Mismatch", REPORT_INFO);
    SetFinishedWithCode(TS_HASH_DIFF);
}
