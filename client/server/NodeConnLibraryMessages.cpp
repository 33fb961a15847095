// Server messages about the shared library: playing files, song identities,
// file details, acknowledgements, stream connections and playlists.
#include "client/server/NodeConn.h"

#include "client/core/IKovikUI.h"
#include "client/library/FileScanner.h"
#include "client/library/LowPriScanner.h"
#include "client/library/Playlist.h"
#include "client/library/SharedFile.h"
#include "client/server/MessageTypes.h"
#include "client/stream/FileStreamer.h"
#include "client/stream/HttpConn.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <vector>

namespace {

constexpr uint32_t kPlayListEntryBytes = 8;

} // namespace

NodeConn::HandlerResult NodeConn::HandlePlayFile(FileScanner& scanner) {
    const uint32_t cfID = m_body.ReadUInt32();
    (void)m_body.ReadUInt32();
    const uint32_t mode = m_body.ReadUInt32();
    if (!BodyIsGood(MSG_PLAY_FILE))
        return HR_CLOSE;
    MVLOG(LOG_INFO, "asked to play cfID %i in mode %i", static_cast<int>(cfID), static_cast<int>(mode));
    if (SharedFile* file = scanner.FindFileByCfId(cfID))
        file->Play(scanner, mode);
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandlePlayList(FileScanner& scanner) {
    const uint32_t mode = m_body.ReadUInt32();
    const uint32_t count = m_body.ReadUInt32();
    // The count is believed only as far as the body holds entries.
    const bool fits =
        static_cast<uint64_t>(count) * kPlayListEntryBytes <= static_cast<uint64_t>(m_body.GetNumUsedBytes());
    std::vector<uint32_t> cfIDs;
    if (!fits) {
        m_body.SetFailed();
    } else {
        cfIDs.resize(count);
        for (uint32_t& cfID : cfIDs) {
            cfID = m_body.ReadUInt32();
            (void)m_body.ReadUInt32();
        }
    }
    if (!BodyIsGood(MSG_PLAY_LIST))
        return HR_CLOSE;
    MVLOG(LOG_INFO, "asked to play a list of %i songs in mode %i", static_cast<int>(count),
          static_cast<int>(mode));
    for (size_t i = 0; i < cfIDs.size(); ++i) {
        MVLOG(LOG_VERB, "%i: cfID %i", static_cast<int>(i), static_cast<int>(cfIDs[i]));
        if (SharedFile* file = scanner.FindFileByCfId(cfIDs[i]))
            file->Play(scanner, mode);
    }
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleSongInfo(FileScanner& scanner) {
    const uint32_t cfID = m_body.ReadUInt32();
    SongInfo info;
    info.songID = m_body.ReadUInt32();
    info.albumID = m_body.ReadUInt32();
    info.printID = m_body.ReadUInt64();
    info.timeProcessed = m_body.ReadUInt32();
    info.confidence = m_body.ReadByte();
    info.artistID = m_body.ReadUInt32();
    info.albumArtistID = m_body.ReadUInt32();
    info.song = m_body.ReadStdString(kMaxSongTextBytes);
    info.artist = m_body.ReadStdString(kMaxSongTextBytes);
    info.albumArtist = m_body.ReadStdString(kMaxSongTextBytes);
    info.album = m_body.ReadStdString(kMaxSongTextBytes);
    info.csid = m_body.ReadUInt32();
    info.caid = m_body.ReadUInt32();
    info.calid = m_body.ReadUInt32();
    info.ctn = m_body.ReadUInt16();
    if (!BodyIsGood(MSG_SONG_INFO))
        return HR_CLOSE;
    MVLOG(LOG_INFO, "file %i is song %i/%lli", static_cast<int>(cfID), static_cast<int>(info.songID),
          static_cast<long long>(info.printID));
    scanner.SetSongInfo(cfID, info);
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleFileDetailsRequest(FileScanner& scanner) {
    const uint32_t cfID = m_body.ReadUInt32();
    const bool rescan = m_body.ReadBool();
    if (!BodyIsGood(MSG_FILE_DETAILS_REQUEST))
        return HR_CLOSE;
    SharedFile* file = scanner.FindFileByCfId(cfID);
    if (!file) {
        MVLOG(LOG_ERR, "Asked for details on unknown file %i", static_cast<int>(cfID));
        (void)SendFileDetails(scanner, cfID, nullptr);
        return HR_OK;
    }
    if (file->HasMetadata() && !rescan) {
        MVLOG(LOG_INFO, "Responding to request for file %i immediately", static_cast<int>(cfID));
        (void)SendFileDetails(scanner, cfID, file);
        return HR_OK;
    }
    std::wstring path;
    file->GetFullPath(path, scanner);
    MVLOG(LOG_INFO, "Queuing a scan for %ls, %i", path.c_str(), static_cast<int>(cfID));
    m_lowPriScanner->QueueRequest(path, cfID, file->GetKind(), m_sessionSerial, true);
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleNewFileAck(FileScanner& scanner) {
    const uint32_t cfID = m_body.ReadUInt32();
    if (!BodyIsGood(MSG_NEW_FILE_ACK))
        return HR_CLOSE;
    MVLOG(LOG_VERB, "finished %u", cfID);
    SharedFile* file = scanner.FindFileByCfId(cfID);
    if (!file || !file->GetNewFile()) {
        MVLOG(LOG_ERR, "Ignoring an acknowledgement for cfID %u, which is not a new file", cfID);
        return HR_OK;
    }
    scanner.FinishNewFile(cfID);
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleConnectStream(FileScanner& scanner) {
    const uint32_t port = m_body.ReadUInt32();
    const std::string address = m_body.ReadStdString(kMaxStreamAddressBytes);
    const std::wstring connID = Utf8ToWide(m_body.ReadStdString(kMaxConnIdBytes));
    if (!BodyIsGood(MSG_CONNECT_STREAM))
        return HR_CLOSE;
    if (connID.empty() || address.empty() || port == 0 || port > 0xFFFF) {
        MVLOG(LOG_ERR, "Ignoring a stream connection to '%s' port %u with id '%ls'", address.c_str(), port,
              connID.c_str());
        return HR_OK;
    }
    auto conn = std::make_unique<HttpConn>(m_sessionSalt, static_cast<uint16_t>(port), m_username, &scanner,
                                           this, false);
    conn->GetConn().ConnectApp(connID, address, static_cast<uint16_t>(port));
    m_owner.GetFileStreamer().AddConn(std::move(conn));
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleSavePlaylist(FileScanner& scanner) {
    Playlist playlist;
    const bool read = playlist.ReadFromMessage(m_body);
    const bool overwrite = m_body.ReadBool();
    if (!BodyIsGood(MSG_SAVE_PLAYLIST) || !read)
        return HR_CLOSE;
    if (playlist.GetTitle().empty()) {
        MVLOG(LOG_ERR, "Ignoring a playlist without a title");
        return HR_OK;
    }
    std::wstring dir;
    if (!m_owner.GetPlaylistDir(dir)) {
        MVLOG(LOG_ERR, "No playlists folder; not saving playlist '%ls'", playlist.GetTitle().c_str());
        return HR_OK;
    }
    playlist.ResolveEntries(scanner);
    if (!playlist.SaveInDirectory(dir, overwrite)) {
        MVLOG(LOG_ERR, "Could not save playlist '%ls'", playlist.GetTitle().c_str());
        return HR_OK;
    }
    scanner.ScanSingleFile(playlist.GetPath(), 0);
    if (IKovikUI* ui = m_owner.GetUi()) {
        auto notice = std::make_unique<PlaylistNotice>();
        notice->path = playlist.GetPath();
        notice->title = playlist.GetTitle();
        notice->entries = playlist.GetEntryPaths();
        ui->PlaylistSaved(std::move(notice));
    }
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleDeletePlaylist() {
    const std::wstring title = m_body.ReadWString(kMaxPlaylistTitleBytes);
    if (!BodyIsGood(MSG_DELETE_PLAYLIST))
        return HR_CLOSE;
    std::wstring base;
    if (!Playlist::FileBaseForTitle(title, base)) {
        MVLOG(LOG_ERR, "Ignoring the deletion of playlist '%ls'", title.c_str());
        return HR_OK;
    }
    std::wstring dir;
    if (!m_owner.GetPlaylistDir(dir))
        return HR_OK;
    if (!Playlist::DeletePlaylistFile(dir, base + Playlist::kExtension))
        MVLOG(LOG_INFO, "Playlist file for '%ls' was not there to delete", title.c_str());
    if (IKovikUI* ui = m_owner.GetUi())
        ui->PlaylistDeleted(std::make_unique<std::wstring>(title));
    return HR_OK;
}
