// The key of a shared file inside the scanner: its name and the id of its
// directory record, with a CRC-32 of both taken once when the key is built.
#pragma once

#include <cstdint>
#include <string>

class PathKey {
  public:
    PathKey() : PathKey(std::wstring(), 0) {}
    PathKey(const std::wstring& fileName, uint32_t dirId);

    const std::wstring& GetFileName() const { return m_fileName; }
    uint32_t GetDirId() const { return m_dirId; }
    // CRC-32 of the name's UTF-16LE code units, then the dir id as 4
    // little-endian bytes. Case-sensitive.
    uint32_t GetHash() const { return m_hash; }

  private:
    std::wstring m_fileName;
    uint32_t m_dirId;
    uint32_t m_hash;
};

// File names on Linux differ by case, so both orders compare names exactly;
// the names are kept from the program's other platforms.
struct PathLessNoCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
    bool operator()(const PathKey& a, const PathKey& b) const;
};

// A name and directory id to look a key up by, without copying the name or
// taking its CRC.
struct PathKeyRef {
    const std::wstring& fileName;
    uint32_t dirId;
};

// Directory ids first (unsigned), then the names as PathLessNoCase orders them.
struct PathKeyLess {
    using is_transparent = void;
    bool operator()(const PathKey& a, const PathKey& b) const;
    bool operator()(const PathKey& a, const PathKeyRef& b) const;
    bool operator()(const PathKeyRef& a, const PathKey& b) const;
};
