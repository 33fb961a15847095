// The MP3 analysis of a record: tag lengths and the audio region from the
// file's bytes, then tag texts, cover art, length and bit rate through TagLib.
#include "client/media/FileMetaData.h"
#include "client/media/Id3v2Picture.h"
#include "client/media/Mp3Scan.h"
#include "client/media/Mp3TagFile.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <privateframe.h>
#include <textidentificationframe.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

namespace {

// Owners of private frames worth sending start with this.
constexpr char kPrivOwnerPrefix[] = "www";

std::string JoinedFields(const TagLib::ID3v2::TextIdentificationFrame& frame) {
    return frame.fieldList().toString(" ").to8Bit(true);
}

} // namespace

bool FileMetaData::AnalyzeMp3(int fd, const std::wstring& path, bool whole) {
    m_id3v2Len = readID3v2Head(fd);
    m_dataOffset = 0;
    if (!FindFrameSync(fd, m_id3v2Len, m_dataOffset)) {
        MVLOG(LOG_ERR, "could not find mp3 start: %lli, %lli %ls", static_cast<long long>(m_id3v2Len),
              static_cast<long long>(m_dataOffset), path.c_str());
        return false;
    }
    m_id3v1Len = ReadId3v1Len(fd);
    const int64_t dataLen =
        static_cast<int64_t>(size) - static_cast<int64_t>(m_dataOffset) - static_cast<int64_t>(m_id3v1Len);
    if (dataLen <= 0) {
        MVLOG(LOG_ERR, "problem scanning file: %lli, %lli, %u in %ls", static_cast<long long>(m_dataOffset),
              static_cast<long long>(m_id3v1Len), size, path.c_str());
        return false;
    }
    m_dataLen = static_cast<uint64_t>(dataLen);
    try {
        return ReadMp3Tags(fd, path, whole);
    } catch (const std::exception& e) {
        MVLOG(LOG_ERR, "Tag library failed on %ls: %s", path.c_str(), e.what());
        return false;
    }
}

bool FileMetaData::ReadMp3Tags(int fd, const std::wstring& path, bool whole) {
    const Mp3TagFile tagFile(WideToUtf8(path), fd, true);
    TagLib::MPEG::File& file = tagFile.File();
    const TagLib::AudioProperties* properties = file.audioProperties();
    if (!file.isValid() || !properties) {
        MVLOG(LOG_ERR, "Error getting audio properties for %ls, errno %i", path.c_str(), errno);
        return false;
    }
    lengthSecs = static_cast<uint32_t>(properties->lengthInSeconds());
    bitRate = static_cast<uint16_t>(properties->bitrate());
    if (!whole)
        return true;
    const TagLib::ID3v1::Tag* v1 = m_id3v1Len != 0 && file.hasID3v1Tag() ? file.ID3v1Tag(false) : nullptr;
    if (v1) {
        hasId3v1 = 1;
        id3v1Artist = v1->artist().to8Bit(true);
        id3v1Title = v1->title().to8Bit(true);
        id3v1Album = v1->album().to8Bit(true);
        if (!v1->comment().isEmpty())
            AppendAux("ID31", v1->comment().to8Bit(true));
    }
    const TagLib::ID3v2::Tag* v2 = m_id3v2Len != 0 && file.hasID3v2Tag() ? file.ID3v2Tag(false) : nullptr;
    if (v2) {
        hasTag = 1;
        tagArtist = CutUtf8(v2->artist().to8Bit(true), kMaxTagTextBytes);
        tagTitle = CutUtf8(v2->title().to8Bit(true), kMaxTagTextBytes);
        tagAlbum = CutUtf8(v2->album().to8Bit(true), kMaxTagTextBytes);
        trackNum = static_cast<uint16_t>(v2->track());
        std::vector<unsigned char> picture;
        std::string mimeType;
        if (ChooseId3v2Picture(*v2, picture, mimeType))
            SetCoverArt(picture.data(), picture.size());
        WalkId3v2Frames(*v2);
    }
    return true;
}

void FileMetaData::WalkId3v2Frames(const TagLib::ID3v2::Tag& tag) {
    for (const TagLib::ID3v2::Frame* frame : tag.frameList()) {
        const TagLib::ByteVector id = frame->frameID().mid(0, 4);
        const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame);
        if ((id == "TXXX" || id == "TCON") && text) {
            AppendAux(std::string(id.data(), id.size()), JoinedFields(*text));
        } else if (id == "PRIV") {
            const auto* priv = dynamic_cast<const TagLib::ID3v2::PrivateFrame*>(frame);
            if (!priv)
                continue;
            const std::string owner = priv->toString().to8Bit(true);
            if (owner.compare(0, strlen(kPrivOwnerPrefix), kPrivOwnerPrefix) == 0)
                AppendAux("PRIV", owner);
        } else if (id == "TPE2" && text) {
            // Cut like the other tag texts, so the file-details record holds it.
            tagAlbumArtist = CutUtf8(JoinedFields(*text), kMaxTagTextBytes);
        }
    }
}
