#include "client/library/MusicFile.h"

#include "client/library/SongInfo.h"
#include "include/crash/Assert.h"

namespace {

MusicFile::MetadataReader& ReaderOverride() {
    static MusicFile::MetadataReader reader;
    return reader;
}

} // namespace

void MusicFile::SetMetadataReader(MetadataReader reader) {
    ReaderOverride() = std::move(reader);
}

MusicFile::MusicFile(const PathKey& key, int64_t offset, uint32_t size, uint32_t lastModDate, uint32_t cfID,
                     int32_t playCount)
    : SharedFile(key, size, lastModDate, cfID), m_offset(offset), m_playCount(playCount) {}

bool MusicFile::HasGoodTags() const {
    MV_ASSERT(HasMetadata());
    return !m_pMetadata->tagTitle.empty() && !m_pMetadata->tagArtist.empty();
}

bool MusicFile::Load(const std::wstring& dirName, const std::wstring& fileName) {
    MV_ASSERT(!m_pMetadata && m_mdRefCount == 0);
    Hold(std::make_unique<FileMetaData>(dirName, fileName));
    const MetadataReader& reader = ReaderOverride();
    if (!(reader ? reader(*m_pMetadata) : m_pMetadata->ReadQuickInfo()))
        return false;
    TakeRecordStat();
    return true;
}

void MusicFile::Hold(std::unique_ptr<FileMetaData> metadata) {
    MV_ASSERT(!m_pMetadata && m_mdRefCount == 0);
    m_pMetadata = std::move(metadata);
    m_mdRefCount = 1;
}

void MusicFile::ReleaseMetadata() {
    if (m_mdRefCount <= 0)
        return;
    if (--m_mdRefCount == 0)
        m_pMetadata.reset();
}

FileMetaData* MusicFile::GetMetadata() const {
    MV_ASSERT(HasMetadata());
    return m_pMetadata.get();
}

void MusicFile::SetMetadata(std::unique_ptr<FileMetaData> metadata) {
    MV_ASSERT(metadata && metadata.get() != m_pMetadata.get());
    if (m_pMetadata) {
        MV_ASSERT(m_mdRefCount > 0);
        m_pMetadata = std::move(metadata);
    } else {
        Hold(std::move(metadata));
    }
    TakeRecordStat();
}

void MusicFile::TakeRecordStat() {
    m_size = m_pMetadata->size;
    m_lastModDate = m_pMetadata->lastModDate;
}

void MusicFile::SetSongInfo(const SongInfo& info) {
    MV_ASSERT(HasMetadata());
    SetSongId(info.songID);
    FileMetaData& md = *m_pMetadata;
    md.albumID = info.albumID;
    md.printID = info.printID;
    md.timeProcessed = info.timeProcessed;
    md.confidence = info.confidence;
    md.artistID = info.artistID;
    md.albumArtistID = info.albumArtistID;
    md.song = info.song;
    md.artist = info.artist;
    md.albumArtist = info.albumArtist;
    md.album = info.album;
    md.csid = info.csid;
    md.caid = info.caid;
    md.calid = info.calid;
    md.ctn = info.ctn;
}
