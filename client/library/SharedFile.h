// One file of the shared library as the scanner knows it: a music file or a
// playlist, named to the server by its cfID. The records and the database rows
// behind these operations arrive with the library; the server link uses only
// what is declared here.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

class Buf;
class FileMetaData;
class FileScanner;

enum SharedFileKind {
    SF_MUSIC_FILE = 1,
    SF_PLAYLIST = 2,
};

class SharedFile {
  public:
    explicit SharedFile(uint32_t cfID) : m_cfID(cfID) {}
    virtual ~SharedFile() = default;
    SharedFile(const SharedFile&) = delete;
    SharedFile& operator=(const SharedFile&) = delete;

    uint32_t GetCfId() const { return m_cfID; }
    bool GetNewFile() const { return m_newFile; }
    void SetNewFile(bool newFile) { m_newFile = newFile; }

    virtual int GetKind() const = 0;
    virtual void GetFullPath(std::wstring& path, FileScanner& scanner) = 0;
    // The server asked to play this file.
    virtual void Play(FileScanner& scanner, uint32_t mode) = 0;
    // Loads the metadata row (or takes one more reference to it).
    virtual bool LoadFromDb(sqlite3* db, bool* crcFailed) = 0;
    virtual void ReleaseMetadata() = 0;
    virtual bool HasMetadata() const = 0;
    virtual bool UpdateInDb(sqlite3* db) = 0;
    // The new-file record (body of MSG_NEW_FILE).
    virtual bool PutMetadata(Buf& out) = 0;
    // The file-details record (body of MSG_FILE_DETAILS).
    virtual bool PutNewFile(FileScanner& scanner, Buf& out) = 0;

  protected:
    uint32_t m_cfID;
    bool m_newFile = false;
};

class MusicFile : public SharedFile {
  public:
    using SharedFile::SharedFile;
    int GetKind() const override { return SF_MUSIC_FILE; }
    // Takes the record of a finished metadata scan.
    virtual void SetMetadata(std::unique_ptr<FileMetaData> metadata) = 0;
};
