#include "client/library/PathKey.h"

#include "include/digest/Crc32.h"
#include "include/fs/PathUtil.h"

PathKey::PathKey(const std::wstring& fileName, uint32_t dirId) : m_fileName(fileName), m_dirId(dirId) {
    Crc32 crc;
    crc.AddWide(m_fileName);
    crc.AddU32(m_dirId);
    m_hash = crc.Value();
}

bool PathLessNoCase::operator()(const std::wstring& a, const std::wstring& b) const {
    return PathCompare(a, b) < 0;
}

bool PathLessNoCase::operator()(const PathKey& a, const PathKey& b) const {
    return (*this)(a.GetFileName(), b.GetFileName());
}

namespace {

bool KeyLess(uint32_t dirA, const std::wstring& nameA, uint32_t dirB, const std::wstring& nameB) {
    if (dirA != dirB)
        return dirA < dirB;
    return PathLessNoCase()(nameA, nameB);
}

} // namespace

bool PathKeyLess::operator()(const PathKey& a, const PathKey& b) const {
    return KeyLess(a.GetDirId(), a.GetFileName(), b.GetDirId(), b.GetFileName());
}

bool PathKeyLess::operator()(const PathKey& a, const PathKeyRef& b) const {
    return KeyLess(a.GetDirId(), a.GetFileName(), b.dirId, b.fileName);
}

bool PathKeyLess::operator()(const PathKeyRef& a, const PathKey& b) const {
    return KeyLess(a.dirId, a.fileName, b.GetDirId(), b.GetFileName());
}
