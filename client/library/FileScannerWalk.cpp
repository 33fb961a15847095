// The full scan: its start, one step at a time through the shared folders,
// the sweep of files it did not find, and its end or cancellation.
#include "client/library/FileScanner.h"
#include "client/library/IScannerHost.h"
#include "client/library/SharedFile.h"
#include "include/fs/FileTypes.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/DirReader.h"
#include "platform/time/Clock.h"

#include <climits>
#include <cstring>

namespace {

// Directory paths this long or longer are not entered.
constexpr size_t kMaxDirPath = PATH_MAX;
// A shared name is longer than its 4-character extension.
constexpr size_t kMinSharedNameLength = 5;

} // namespace

void FileScanner::initScan(bool force) {
    MVLOG(LOG_VERB, "initScan called, scanning: %i, qd: %i, sr: %i, hc: %i", m_scanning ? 1 : 0,
          m_queueDisabled ? 1 : 0, m_rescanRequested ? 1 : 0, force ? 1 : 0);
    if (m_scanning) {
        if (!m_queueDisabled && !force) {
            m_rescanRequested = true;
            return;
        }
        CancelScan();
    }
    // The scan starting now is the one that was asked for.
    m_rescanRequested = false;
    m_listingCutShort = false;
    m_quickScan = m_host && m_host->GetFileScanCount() == 0;
    if (m_quickScan)
        MVLOG(LOG_INFO, "first scan -- trying to be quick about it");
    m_scanning = true;
    m_scanStartTime = platform::MonotonicSeconds();
    for (const std::wstring& share : m_curShares) {
        if (share.empty())
            continue; // would be "/", the whole machine
        const std::wstring path = NormalizeDirPath(share);
        MVLOG(LOG_VERB, "adding share %ls to base scan", path.c_str());
        m_workUnits.push_back(path);
    }
    LoadStoredFilesOnce();
    for (auto& [id, dir] : m_dirsById)
        dir->m_inUse = false;
    // Every indexed file is now unseen.
    ++m_scanSerial;
    m_numSeen = 0;
    BeginTransaction();
    if (m_workUnits.empty()) {
        MVLOG(LOG_INFO, "no work units in InitScan, finishing");
        RemoveUnusedFiles();
        finishScan();
        ++m_numScans;
    }
}

void FileScanner::ScanStep() {
    if (!m_scanning || !HasWorkUnits())
        return;
    if (m_listed.count > 0) {
        const ListedName& next = m_listed.names[--m_listed.count];
        if (auto it = m_dirsById.find(m_listed.dirId); it != m_dirsById.end())
            AddScannedFileIn(*it->second, next.wide, next.utf8, 0);
    } else {
        const std::wstring path = std::move(m_workUnits.front());
        m_workUnits.pop_front();
        ScanDirectory(*GetOrAddDirectory(path));
    }
    // The program is ending, maybe in the middle of a listing: no sweep.
    if (ShouldStop())
        return;
    if (m_workUnits.empty() && m_listed.count == 0)
        EndOfScan();
}

void FileScanner::EndOfScan() {
    ForgetListing();
    if (m_listingCutShort)
        MVLOG(LOG_ERR, "A listing of this scan stopped early; files it did not see are kept");
    else
        RemoveUnusedFiles();
    if (m_host)
        m_host->CountFileScan();
    finishScan();
    ++m_numScans;
    // The quick first scan skipped files with poor tags; a full one follows.
    if (m_quickScan)
        m_rescanRequested = true;
    m_quickScan = false;
    if (m_rescanRequested) {
        MVLOG(LOG_INFO, "Finished scan, but new scan has been requested");
        m_rescanRequested = false;
        initScan(false);
    }
}

void FileScanner::ScanDirectory(const SharedDir& dir) {
    ForgetListing();
    auto reader = std::make_unique<platform::DirReader>();
    if (const int error = reader->Open(dir.m_utf8Path.c_str()); error != 0) {
        MVLOG(LOG_ERR, "FindFirstFile with %ls* failed. errcode: %i", dir.m_path.c_str(), error);
        return;
    }
    const char* name = nullptr;
    platform::DirEntryKind kind = platform::DEK_OTHER;
    while (!ShouldStop() && reader->Next(name, kind)) {
        // Directories are walked; a link is never entered, and one that
        // names a file is taken as that file.
        if (kind == platform::DEK_OTHER)
            continue;
        if (m_listed.count == m_listed.names.size())
            m_listed.names.emplace_back();
        ListedName& slot = m_listed.names[m_listed.count];
        if (!Utf8ToWideStrict(name, slot.wide)) {
            MVLOG(LOG_ERR, "Skipping a name that is not valid UTF-8 in %ls: %ls", dir.m_path.c_str(),
                  slot.wide.c_str());
            continue;
        }
        if (kind == platform::DEK_DIRECTORY) {
            QueueDirectory(dir, slot.wide);
        } else if (slot.wide.size() >= kMinSharedNameLength &&
                   (isMusicFile(slot.wide) || IsPlaylistFile(slot.wide))) {
            slot.utf8 = name;
            ++m_listed.count;
        }
    }
    if (reader->Error() != 0)
        MVLOG(LOG_ERR, "Listing %ls stopped, errcode: %i", dir.m_path.c_str(), reader->Error());
    if (reader->Error() != 0 || ShouldStop())
        m_listingCutShort = true;
    m_listed.reader = std::move(reader);
    m_listed.dirId = dir.m_id;
}

void FileScanner::ForgetListing() {
    m_listed.reader.reset();
    m_listed.count = 0;
}

bool FileScanner::StatFile(const SharedDir& dir, const std::string& utf8Name, struct stat& record) {
    if (m_listed.reader && m_listed.dirId == dir.m_id)
        return m_listed.reader->StatEntry(utf8Name.c_str(), record) == 0;
    m_statPath = dir.m_utf8Path;
    m_statPath += utf8Name;
    return stat(m_statPath.c_str(), &record) == 0;
}

void FileScanner::QueueDirectory(const SharedDir& parent, const std::wstring& name) {
    std::wstring path = PathJoin(parent.m_path, name);
    if (Utf8Length(path) >= kMaxDirPath) {
        MVLOG(LOG_CRIT, "%ls\\%ls was more than %i chars, skipping", parent.m_path.c_str(), name.c_str(),
              static_cast<int>(kMaxDirPath));
        return;
    }
    m_workUnits.push_back(NormalizeDirPath(path));
}

void FileScanner::RemoveUnusedFiles() {
    // A scan that found every indexed file leaves none to sweep.
    if (m_numSeen < m_filesByPath.size()) {
        std::vector<uint32_t> unused;
        for (const auto& [key, file] : m_filesByPath) {
            if (file->SeenInScan(m_scanSerial))
                continue;
            MVLOG(LOG_VERB, "removing unused file '%ls'", file->GetFileName().c_str());
            QueueDelta(file, SYNC_DEL);
            unused.push_back(file->GetClientFileID());
        }
        for (uint32_t cfID : unused)
            (void)RemoveSharedFile(cfID);
    }
    for (auto it = m_dirsById.begin(); it != m_dirsById.end();) {
        if (it->second->m_inUse) {
            ++it;
            continue;
        }
        m_dirsByPath.erase(it->second->m_path);
        it = m_dirsById.erase(it);
    }
}

void FileScanner::finishScan() {
    m_lastScanDuration = platform::MonotonicSeconds() - m_scanStartTime;
    CommitAndBegin();
    MVLOG(LOG_INFO, "in finishScan, %i deltas in queue", static_cast<int>(m_serverSyncQueue.size()));
    m_scanning = false;
    if (m_host)
        m_host->RequestPlaycountReport();
}

void FileScanner::CancelScan() {
    MVLOG(LOG_INFO, "In CancelScan, %i wus", static_cast<int>(m_workUnits.size() + m_listed.count));
    if (!m_queueDisabled) {
        MVLOG(LOG_INFO, "In CancelScan, queueing server disconn");
        QueueDelta(nullptr, SYNC_DISCONNECT);
    }
    m_workUnits.clear();
    ForgetListing();
    if (m_scanning)
        finishScan();
}

void FileScanner::CommitAndBegin() {
    EndTransaction();
    BeginTransaction();
}
