// The shared file of one audio file (.mp3, .m4a): its FileMetadata_v9 row,
// the server's song id, its play count and, while somebody needs it, its
// metadata record, held by reference count.
#pragma once

#include "client/library/SharedFile.h"
#include "client/media/FileMetaData.h"

#include <functional>
#include <memory>

struct SongInfo;
struct sqlite3_stmt;
namespace platform {
class SqliteStatement;
}

class MusicFile : public SharedFile {
  public:
    // The record's bit flags in the file-details record: 1 and 2 are always
    // set, then one bit for each kind of tag read.
    static constexpr uint16_t kContentAlwaysSet = 3;
    static constexpr uint16_t HAS_ID3 = 4;
    static constexpr uint16_t HAS_ID3v2 = 8;
    // The longest auxiliary text sent, in bytes.
    static constexpr size_t kMaxAuxTextBytes = 512;

    // Reads the record of a file for Load (size, time, tags, digest); the
    // program's own reads the file itself (FileMetaData::ReadQuickInfo).
    using MetadataReader = std::function<bool(FileMetaData& metadata)>;
    // Puts another reader in place for every MusicFile; empty restores the
    // program's own.
    static void SetMetadataReader(MetadataReader reader);

    MusicFile(const PathKey& key, int64_t offset, uint32_t size, uint32_t lastModDate, uint32_t cfID,
              int32_t playCount);
    ~MusicFile() override = default;

    uint32_t GetKind() const override { return SF_MUSIC_FILE; }
    // The ID3v2 (or MPEG-4) title and artist are both there. Needs the record.
    bool HasGoodTags() const override;
    // Builds the record from the file; it stays held (count 1) even when the
    // read fails, and the caller drops the whole object then. On success the
    // file's size and time are those the read found.
    [[nodiscard]] bool Load(const std::wstring& dirName, const std::wstring& fileName) override;
    // A row that is missing or fails its checksum makes the file forget its
    // stored size and time, so that the next scan reads it again; a good row
    // sets them. A database that fails to answer changes neither.
    [[nodiscard]] bool LoadFromDb(MetadataTables& tables, bool* crcFailed) override;
    void ReleaseMetadata() override;
    bool HasMetadata() const override { return m_pMetadata != nullptr; }
    bool InsertIntoDb(MetadataTables& tables) override;
    bool UpdateInDb(MetadataTables& tables) override;
    bool DeleteFromDb(MetadataTables& tables) override;
    bool StoredInDB() const override { return m_offset != 0; }
    [[nodiscard]] bool PutMetadata(Buf& out) override;
    [[nodiscard]] bool PutNewFile(FileScanner& scanner, Buf& out) override;

    FileMetaData* GetMetadata() const;
    // Takes a freshly read record in place of the one held (keeping the
    // count), or holds it with count 1; the file's size and time follow it.
    void SetMetadata(std::unique_ptr<FileMetaData> metadata);
    // The server's identification: the song id here, the rest into the
    // record, which must be held.
    void SetSongInfo(const SongInfo& info);
    bool SavePlayCount(MetadataTables& tables);

    int64_t GetOffset() const { return m_offset; }
    uint32_t GetSongId() const { return m_songId; }
    // The scanner indexes the file under the song id it sets here or with
    // SetSongInfo; from then on a row read leaves it.
    void SetSongId(uint32_t songId) {
        m_songId = songId;
        m_songIdSet = true;
    }
    int32_t GetPlayCount() const { return m_playCount; }
    void SetPlayCount(int32_t playCount) { m_playCount = playCount; }
    int32_t GetRefCount() const { return m_mdRefCount; }

  private:
    [[nodiscard]] bool BindMetadataParams(sqlite3_stmt* statement);
    // Binds the row into `statement` (insert or update) and runs it.
    [[nodiscard]] bool WriteRow(MetadataTables& tables, platform::SqliteStatement& statement);
    // Reads the row into a new record, held with count 1 when its checksum
    // holds.
    [[nodiscard]] bool ReadMetadataRow(sqlite3_stmt* statement, bool* crcFailed);
    void Hold(std::unique_ptr<FileMetaData> metadata);
    // The file's size and time become those of the record it now holds, the
    // values its row's checksum covers.
    void TakeRecordStat();

    int64_t m_offset;
    uint32_t m_songId = 0;
    bool m_songIdSet = false;
    std::unique_ptr<FileMetaData> m_pMetadata;
    int32_t m_mdRefCount = 0;
    int32_t m_playCount;
};
