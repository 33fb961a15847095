#include "client/library/SharedFile.h"

#include "client/library/FileScanner.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"

SharedFile::SharedFile(const PathKey& key, uint32_t size, uint32_t lastModDate, uint32_t cfID)
    : m_key(key), m_size(size), m_cfID(cfID), m_lastModDate(lastModDate) {}

bool SharedFile::LoadFromDb(MetadataTables&, bool* crcFailed) {
    if (crcFailed)
        *crcFailed = false;
    return true;
}

bool SharedFile::InsertIntoDb(MetadataTables&) {
    return true;
}

bool SharedFile::UpdateInDb(MetadataTables&) {
    return true;
}

bool SharedFile::DeleteFromDb(MetadataTables&) {
    return true;
}

bool SharedFile::MatchesStat(const struct stat& record) const {
    return static_cast<uint32_t>(record.st_size) == m_size &&
           static_cast<uint32_t>(record.st_mtime) == m_lastModDate;
}

void SharedFile::TakeStat(const struct stat& record) {
    m_size = static_cast<uint32_t>(record.st_size);
    m_lastModDate = static_cast<uint32_t>(record.st_mtime);
}

void SharedFile::ForgetStat() {
    m_size = 0;
    m_lastModDate = 0;
}

void SharedFile::GetFullPath(std::wstring& path, FileScanner& scanner) const {
    const SharedDir* dir = scanner.FindDirectory(m_key.GetDirId());
    if (!dir) {
        MVLOG(LOG_CRIT, "could not get path, dirID %i was missing", static_cast<int>(m_key.GetDirId()));
        path.clear();
        return;
    }
    path = PathJoin(dir->m_path, m_key.GetFileName());
}

void SharedFile::Play(FileScanner& scanner, uint32_t mode) {
    (void)mode;
    std::wstring path;
    GetFullPath(path, scanner);
    // An xdg-open that started has handed the file to the one default
    // application there is; no other action is left to try after a failure.
    int error = 0;
    if (path.empty() || !scanner.OpenWithDefaultApp(path, &error))
        MVLOG(LOG_INFO, "Play failed, res %i, gle %i", -1, error);
    MVLOG(LOG_INFO, "turned cfID %i into '%ls'", static_cast<int>(m_cfID), path.c_str());
}
