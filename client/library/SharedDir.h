// A directory that holds or held shared files. Files name it by its id (in
// their PathKey); its id and path never change.
#pragma once

#include "include/text/Utf8.h"

#include <cstdint>
#include <string>

struct SharedDir {
    SharedDir(uint32_t id, const std::wstring& path) : m_id(id), m_path(path), m_utf8Path(WideToUtf8(path)) {}

    uint32_t m_id;
    // Canonical form: NormalizeDirPath.
    std::wstring m_path;
    // The same for system calls, made once rather than for every file.
    std::string m_utf8Path;
    // Seen by the running scan.
    bool m_inUse = false;
};

// The canonical form of a directory path: the path with one '/' at its end.
// Nothing else changes (no symbolic links resolved), so the scanner finds a
// directory under the path it was shared by.
std::wstring NormalizeDirPath(const std::wstring& path);
inline bool IsNormalizedDirPath(const std::wstring& path) {
    return !path.empty() && path.back() == L'/';
}
