#include "client/library/PendingChanges.h"

bool PendingChanges::Add(int type, const std::wstring& path) {
    if (type == FILE_MODIFIED && !m_modified.insert(path).second)
        return false;
    m_requests.push_back(std::make_unique<ScanFileRequest>(type, path));
    return true;
}

void PendingChanges::TakeAll(std::list<std::unique_ptr<ScanFileRequest>>& out) {
    out.splice(out.end(), m_requests);
    m_modified.clear();
}
