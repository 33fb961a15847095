// One file of the shared library as the scanner knows it: a music file or a
// playlist, keyed by its name and directory, named to the server by its cfID.
// The scanner owns these objects; the server link writes their records.
#pragma once

#include "client/library/PathKey.h"

#include <sys/stat.h>

#include <cstdint>
#include <string>

class Buf;
class FileScanner;
class MetadataTables;

enum SharedFileKind : uint32_t {
    SF_MUSIC_FILE = 1,
    SF_PLAYLIST = 2,
};

class SharedFile {
  public:
    SharedFile() = default;
    SharedFile(const PathKey& key, uint32_t size, uint32_t lastModDate, uint32_t cfID);
    virtual ~SharedFile() = default;
    SharedFile(const SharedFile&) = delete;
    SharedFile& operator=(const SharedFile&) = delete;

    // ---- the operations each kind supplies, in the order of their slots ----
    virtual uint32_t GetKind() const = 0;
    virtual bool HasGoodTags() const = 0;
    // Reads the file itself.
    [[nodiscard]] virtual bool Load(const std::wstring& dirName, const std::wstring& fileName) = 0;
    virtual bool IsEnabled() const { return true; }
    // Loads the metadata row (or takes one more reference to the record
    // held). *crcFailed tells a row that did not match its checksum.
    [[nodiscard]] virtual bool LoadFromDb(MetadataTables& tables, bool* crcFailed);
    virtual void ReleaseMetadata() {}
    virtual bool HasMetadata() const { return false; }
    virtual bool InsertIntoDb(MetadataTables& tables);
    virtual bool UpdateInDb(MetadataTables& tables);
    virtual bool DeleteFromDb(MetadataTables& tables);
    virtual bool StoredInDB() const { return false; }
    // The new-file record (body of MSG_NEW_FILE).
    [[nodiscard]] virtual bool PutMetadata(Buf& out) = 0;
    // The file-details record (body of MSG_FILE_DETAILS).
    [[nodiscard]] virtual bool PutNewFile(FileScanner& scanner, Buf& out) = 0;

    uint32_t GetClientFileID() const { return m_cfID; }
    const PathKey& GetKey() const { return m_key; }
    const std::wstring& GetFileName() const { return m_key.GetFileName(); }
    uint32_t GetSize() const { return m_size; }
    uint32_t GetLastModDate() const { return m_lastModDate; }
    bool GetNewFile() const { return m_newFile; }
    void SetNewFile(bool newFile) { m_newFile = newFile; }
    // Full scans are numbered; a file keeps the number of the last one that
    // found it on disk.
    bool SeenInScan(uint32_t scan) const { return m_seenInScan == scan; }
    // False when the file was marked for `scan` already.
    bool MarkSeen(uint32_t scan) {
        if (m_seenInScan == scan)
            return false;
        m_seenInScan = scan;
        return true;
    }

    // The stat record's size and modification time (each as 32 bits) equal
    // the stored ones.
    bool MatchesStat(const struct stat& record) const;
    // Makes the next scan read the file again, whatever the disk says.
    void ForgetStat();
    // The directory's path joined with the name; "" (logged) when the
    // directory record is gone, and no caller opens that.
    void GetFullPath(std::wstring& path, FileScanner& scanner) const;
    // Opens the file in the desktop's default application. The server's play
    // mode has no counterpart there and is not used.
    void Play(FileScanner& scanner, uint32_t mode);

  protected:
    // Size and modification time (each as 32 bits) from a stat record.
    void TakeStat(const struct stat& record);

    uint32_t m_seenInScan = 0;
    PathKey m_key;
    uint32_t m_size = 0;
    uint32_t m_cfID = 0;
    uint32_t m_lastModDate = 0;
    bool m_newFile = false;
};
