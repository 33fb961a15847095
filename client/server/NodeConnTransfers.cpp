// Server messages about peer transfers: start, abort and temporary files.
#include "client/server/NodeConn.h"

#include "client/library/FileScanner.h"
#include "client/library/SharedFile.h"
#include "client/server/MessageTypes.h"
#include "client/stream/DownloadPath.h"
#include "client/stream/FileTransfer.h"
#include "client/stream/TransferTempFile.h"
#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

NodeConn::HandlerResult NodeConn::HandleTransfer(FileScanner& scanner) {
    TransferStart start;
    const bool idRead = start.id.Read(m_body);
    const bool active = m_body.ReadBool();
    const bool client = m_body.ReadBool();
    start.address = m_body.ReadStdString(kMaxTransferAddressBytes);
    const uint32_t port = m_body.ReadUInt32();
    const uint32_t cfID = m_body.ReadUInt32();
    start.dirName = m_body.ReadWString(kMaxFileNameBytes);
    start.size = m_body.ReadUInt32();
    start.fileSetID = m_body.ReadUInt64();
    start.connID = m_body.ReadWString(kMaxTransferTextBytes);
    start.fileName = m_body.ReadWString(kMaxFileNameBytes);
    start.songID = m_body.ReadUInt32();
    start.uitsOwner = m_body.ReadWString(kMaxFileNameBytes);
    start.uitsTag = m_body.ReadWString(kMaxTransferTextBytes);
    if (!BodyIsGood(MSG_TRANSFER) || !idRead)
        return HR_CLOSE;
    if (start.connID.empty())
        start.connID = start.id.ToText();
    start.direction = client ? RECV : SEND;
    MVLOG(LOG_INFO,
          "transfer: active: %i, client %i, remote addr: %s:%i, dirName: %ls, fileName: %ls, size: %u, "
          "transID: %ls, "
          "fileSetID: %lli, songID: %i, uitsOwner: %ls, uitsTag: %ls",
          active ? 1 : 0, client ? 1 : 0, start.address.c_str(), static_cast<int>(port),
          start.dirName.c_str(), start.fileName.c_str(), start.size, start.connID.c_str(),
          static_cast<long long>(start.fileSetID), static_cast<int>(start.songID), start.uitsOwner.c_str(),
          start.uitsTag.c_str());
    if (port == 0 || port > 0xFFFF || (active && start.address.empty())) {
        MVLOG(LOG_ERR, "Ignoring transfer %ls with port %u", start.connID.c_str(), port);
        return HR_OK;
    }
    start.port = static_cast<uint16_t>(port);

    int status = -1;
    if (!client) {
        SharedFile* file = scanner.FindFileByCfId(cfID);
        if (!file) {
            MVLOG(LOG_ERR, "could not find file with cfID %i", static_cast<int>(cfID));
            status = TS_BAD_FILE;
        } else {
            file->GetFullPath(start.path, scanner);
            MVLOG(LOG_VERB, "cfID %i is %ls, which we are sending for %ls", static_cast<int>(cfID),
                  start.path.c_str(), start.connID.c_str());
        }
    } else if (!m_owner.GetDownloadDir(start.path)) {
        MVLOG(LOG_CRIT, "No DL directory!");
        status = TS_FILE_EXISTS;
    } else {
        // Names that leave the download folder are refused by the transfer's
        // start, with its own status.
        std::wstring target;
        if (MakeDownloadPath(start.path, start.dirName, start.fileName, target) && fileExists(target)) {
            MVLOG(LOG_INFO, "told to download %ls, but it already existed", target.c_str());
            scanner.ScanSingleFile(target, start.songID);
            status = TS_FILE_EXISTS;
        }
    }
    if (status >= 0) {
        (void)SendTransferStatus(start.id, status);
        return HR_OK;
    }
    std::unique_ptr<FileTransfer> transfer = m_transferFactory(m_owner.GetUi());
    const int started = active ? transfer->StartActive(start) : transfer->StartPassive(start);
    if (started != FileTransfer::kStartGoingOn) {
        (void)SendTransferStatus(start.id, started);
        transfer->Close();
        return HR_OK;
    }
    (void)SendTransferStatus(start.id, TS_GOT_TRANSFER_INFO);
    m_transfers.push_back(std::move(transfer));
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleAbortTransfer() {
    TransferId id;
    const bool idRead = id.Read(m_body);
    if (!BodyIsGood(MSG_ABORT_TRANSFER) || !idRead)
        return HR_CLOSE;
    MVLOG(LOG_INFO, "In handleAbortTransfer for id %ls", id.ToText().c_str());
    for (auto it = m_transfers.begin(); it != m_transfers.end(); ++it) {
        if ((*it)->GetId() != id)
            continue;
        std::unique_ptr<FileTransfer> transfer = std::move(*it);
        m_transfers.erase(it);
        MVLOG(LOG_INFO, " destroying pT %p", static_cast<void*>(transfer.get()));
        (void)SendTransferStatus(id, TS_ABORTED);
        transfer->Close();
        break;
    }
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleDeleteTempFile() {
    TransferId id;
    const bool idRead = id.Read(m_body);
    (void)m_body.ReadWString(kMaxFileNameBytes);
    if (!BodyIsGood(MSG_DELETE_TEMP_FILE) || !idRead)
        return HR_CLOSE;
    MVLOG(LOG_CRIT, "told to delete temp file for pNConn");

    // The temporary files of this id that no running transfer still writes.
    std::set<std::wstring> inUse;
    for (const std::unique_ptr<FileTransfer>& transfer : m_transfers) {
        if (!transfer->IsFinished() && transfer->GetDirection() == RECV)
            inUse.insert(CreateTempName(transfer->GetId(), transfer->GetFileSetId()));
    }
    std::wstring folder, probeName;
    const std::wstring probe = GetTempFilePath(L"mv-probe");
    if (!probe.empty() && SplitPath(probe, folder, probeName)) {
        const std::wstring prefix = TempNamePrefix(id);
        std::error_code error;
        std::vector<std::wstring> doomed;
        std::filesystem::directory_iterator it(WideToUtf8(folder), error), end;
        for (; !error && it != end; it.increment(error)) {
            const std::wstring name = Utf8ToWide(it->path().filename().string());
            if (name.compare(0, prefix.size(), prefix) == 0 && EndsWith(name, kTempFileSuffix) &&
                !inUse.count(name))
                doomed.push_back(PathJoin(folder, name));
        }
        for (const std::wstring& path : doomed)
            (void)deleteFile(path, true);
    }

    Buf reply(32);
    id.Write(reply);
    reply.WriteByte(1);
    (void)SendMessage(MSG_TEMP_FILE_DELETED, reply);
    return HR_OK;
}
