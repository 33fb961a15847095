// Requests to the core from other threads, carried out on the core thread,
// and the getters and share helpers the UI calls.
#include "client/core/KovikCore.h"

#include "client/core/IKovikUI.h"
#include "client/core/LoginUrl.h"
#include "client/library/FileScanner.h"
#include "client/library/MusicSearch.h"
#include "client/library/ShareMon.h"
#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/AppStrings.h"
#include "include/text/StringUtil.h"

namespace {

constexpr uint32_t kImportJoinMs = 5000;

} // namespace

void KovikCore::PostRequest(std::unique_ptr<CoreRequest> request) {
    MutexLock lock(m_requestLock);
    m_requests.push_back(std::move(request));
}

void KovikCore::PostStartRequest() {
    PostRequest(std::make_unique<CoreRequest>(CR_START));
}

void KovikCore::PostChangeAccountRequest() {
    PostRequest(std::make_unique<CoreRequest>(CR_CHANGE_ACCOUNT));
}

void KovikCore::PostSetSharesRequest(const std::vector<std::wstring>& folders) {
    PostRequest(
        std::make_unique<CoreRequest>(CR_SET_SHARES, std::make_unique<std::vector<std::wstring>>(folders)));
}

void KovikCore::PostPlayCountsRequest(std::unique_ptr<ITunesPlayCounts> playCounts) {
    PostRequest(std::make_unique<CoreRequest>(CR_PLAY_COUNTS, std::move(playCounts)));
}

void KovikCore::PostFoundFoldersRequest(std::vector<std::wstring> folders) {
    PostRequest(std::make_unique<CoreRequest>(
        CR_FOUND_FOLDERS, std::make_unique<std::vector<std::wstring>>(std::move(folders))));
}

void KovikCore::PostITunesPlaylistsRequest(std::unique_ptr<ImportedPlaylists> playlists) {
    PostRequest(std::make_unique<CoreRequest>(CR_ITUNES_PLAYLISTS, std::move(playlists)));
}

void KovikCore::ProcessUiRequests() {
    // Held for the whole drain: posters wait while requests run. Handlers
    // take sharesLock inside it, never the other way round.
    MutexLock lock(m_requestLock);
    while (!m_requests.empty()) {
        std::unique_ptr<CoreRequest> request = std::move(m_requests.front());
        m_requests.pop_front();
        if (!request)
            continue;
        switch (request->type) {
        case CR_START: {
            std::wstring username, password;
            {
                MutexLock accountLock(m_accountLock);
                username = m_username;
                password = m_password;
            }
            m_scanner->SetCurShares(GetShares());
            m_scanner->initScan(true);
            m_nodeConn->Start(NCM_NORMAL, username, password);
            break;
        }
        case CR_CHANGE_ACCOUNT:
            ChangeAccount();
            break;
        case CR_SET_SHARES:
            if (request->folders)
                SetShares(*request->folders);
            break;
        case CR_PLAY_COUNTS:
            JoinPlayCountImport();
            if (request->playCounts)
                AddPlayCounts(*request->playCounts);
            break;
        case CR_FOUND_FOLDERS:
            if (request->folders)
                AddFoundFolders(*request->folders);
            break;
        case CR_ITUNES_PLAYLISTS:
            if (request->playlists)
                m_scanner->ResolveImportedPlaylists(*request->playlists, m_pendingPlaylists);
            break;
        default:
            MVLOG(LOG_ERR, "Unknown core request type %i", request->type);
            break;
        }
    }
}

void KovikCore::SetShares(const std::vector<std::wstring>& folders) {
    m_sharesChosen = true;
    {
        MutexLock lock(m_sharesLock);
        m_shares = folders;
    }
    if (m_shareMon)
        m_shareMon->SetShares(folders);
    (void)SaveShares();
    m_scanner->SetCurShares(GetShares());
    m_scanner->initScan(true);
    NotifySharesChanged();
}

void KovikCore::AddFoundFolders(const std::vector<std::wstring>& folders) {
    if (!m_sharesChosen) {
        for (const std::wstring& folder : folders)
            AddMusicDir(folder);
        (void)SaveShares();
        m_scanner->SetCurShares(GetShares());
        m_scanner->initScan(false);
        // The monitor watches what is shared, found folders included.
        if (m_shareMon)
            m_shareMon->SetShares(GetShares());
    }
    NotifySharesChanged();
    m_searchRunning = false;
    (void)IncrementAction(m_configDb.Get(), kActionMusicSearch);
}

void KovikCore::JoinPlayCountImport() {
    // The import posts its result as its last act, so it ends at once.
    if (m_playCountThread && !WaitThread(m_playCountThread, kImportJoinMs))
        MVLOG(LOG_ERR, "The play-count import did not end after posting its result");
    CloseThreadHandle(&m_playCountThread);
}

void KovikCore::StartPlaylistImport() {
    StartITunesPlaylistImport(m_port);
}

void KovikCore::AddPlayCounts(const ITunesPlayCounts& counts) {
    std::vector<PlayCountDelta> increases;
    m_scanner->UpdatePlayCounts(counts, increases);
    for (const PlayCountDelta& delta : increases)
        m_pendingPlayCounts[delta.songId] += delta.increase;
}

void KovikCore::NotifySharesChanged() {
    if (m_searchRunning && m_nodeConn->GetState() == NC_CONNECTED)
        (void)m_nodeConn->SendSharesChanged();
}

void KovikCore::StartMusicSearch() {
    std::wstring myMusic;
    if (GetDownloadDir(myMusic))
        AddMusicDir(myMusic);
    // There is no music folder shared by all users here.
    std::vector<std::wstring> candidates;
    m_musicSearch->SearchAllDrives(this, candidates);
    for (const std::wstring& folder : candidates)
        AddMusicDir(folder);
    m_searchRunning = true;
    m_musicSearch->Start(this);
}

void KovikCore::AddMusicDir(const std::wstring& path) {
    MVLOG(LOG_INFO, "About to add %ls as music directory", path.c_str());
    if (path.empty())
        return;
    bool unique = true;
    {
        MutexLock lock(m_sharesLock);
        // Shares never nest: a folder inside a share is scanned with it, and
        // a share inside the new folder gives way to it.
        for (const std::wstring& share : m_shares)
            unique = unique && !EqualsNoCase(share, path) && !IsFolderOrInside(share, path);
        if (unique) {
            std::erase_if(m_shares,
                          [&path](const std::wstring& share) { return IsFolderOrInside(path, share); });
            m_shares.push_back(path);
        }
    }
    MVLOG(LOG_INFO, "For '%ls', unique: %i", path.c_str(), unique ? 1 : 0);
}

std::wstring KovikCore::GetUsername() {
    MutexLock lock(m_accountLock);
    return m_username;
}

std::vector<std::wstring> KovikCore::GetShares() {
    MutexLock lock(m_sharesLock);
    return m_shares;
}

int KovikCore::ShareCount() {
    MutexLock lock(m_sharesLock);
    return static_cast<int>(m_shares.size());
}

bool KovikCore::GetDownloadDir(std::wstring& path) {
    std::wstring dir = GetSpecialFolderPath(CSIDL_MYMUSIC);
    if (dir.empty())
        return false;
    path = dir;
    return true;
}

bool KovikCore::GetPlaylistDir(std::wstring& path) {
    std::wstring download;
    if (!GetDownloadDir(download))
        return false;
    std::wstring dir = PathJoin(download, GetAppString(AS_PLAYLISTS_FOLDER));
    if (!isDirectory(dir) && !createDirs(dir + L"/")) {
        MVLOG(LOG_ERR, "Could not create the playlists folder %ls", dir.c_str());
        return false;
    }
    path = dir;
    return true;
}

std::wstring KovikCore::BuildLoginUrl() {
    std::string secret;
    std::wstring username, password;
    {
        MutexLock lock(m_accountLock);
        secret = m_webLoginSecret;
        username = m_username;
        password = m_password;
    }
    return MakeLoginUrl(GetAppString(AS_WEB_BASE_URL), secret, username, password);
}

bool KovikCore::FindShareForPath(const std::wstring& directory, std::wstring& rest) {
    MutexLock lock(m_sharesLock);
    return FindFolderHolding(m_shares, directory, rest);
}
