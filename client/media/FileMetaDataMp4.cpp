// The MPEG-4 analysis of a record: the media data's start from the file's
// top-level boxes, the AAC stream through the demuxer, then tag texts, items,
// cover art, length and bit rate through TagLib.
#include "client/media/FileMetaData.h"
#include "client/media/Mp4Boxes.h"
#include "client/media/Mp4Cover.h"
#include "client/media/Mp4TagFile.h"
#include "client/media/SongInput.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/lib/ffmpeg/FormatInput.h"

#include <mp4file.h>
#include <mp4tag.h>

#include <cerrno>
#include <exception>
#include <vector>

namespace {

constexpr char kMediaDataBox[] = "mdat";
// Item keys, upper-cased: the tag library gives them as stored.
constexpr char kItemXid[] = "XID ";
constexpr char kItemPurchaseDate[] = "PURD";
constexpr char kItemAlbumArtist[] = "AART";

// True when the input holds an AAC audio stream; the streams passed over are
// logged.
bool HasAacStream(const AVFormatContext& context) {
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVCodecParameters* codec = context.streams[i]->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_AUDIO && codec->codec_id == AV_CODEC_ID_AAC)
            return true;
        MVLOG(LOG_ERR, "Stream %i is not valid: %i/%i", static_cast<int>(i),
              static_cast<int>(codec->codec_id), static_cast<int>(codec->codec_type));
    }
    MVLOG(LOG_ERR, "Looked at %i streams, did not find a valid one", static_cast<int>(context.nb_streams));
    return false;
}

std::string JoinedStrings(const TagLib::MP4::Item& item) {
    return item.toStringList().toString(" ").to8Bit(true);
}

} // namespace

bool FileMetaData::AnalyzeMp4(int fd, const std::wstring& path) {
    m_dataOffset = 0;
    m_id3v1Len = 0;
    hasId3v1 = 0;
    const std::string utf8 = WideToUtf8(path);
    {
        platform::FormatInput input;
        if (OpenSongInput(input, fd, AAC, utf8) < 0) {
            MVLOG(LOG_ERR, "av_open_input_file failed for %s", utf8.c_str());
            return false;
        }
        hasTag = 1;
        if (!FindTopLevelBoxInFile(fd, size, kMediaDataBox, m_dataOffset)) {
            MVLOG(LOG_ERR, "No media data box in %s", utf8.c_str());
            return false;
        }
        m_dataLen = size - m_dataOffset;
        if (input.FindStreamInfo() < 0) {
            MVLOG(LOG_ERR, "av_find_stream_info failed for %s", utf8.c_str());
            return false;
        }
        if (!HasAacStream(*input.Get()))
            return false;
    }
    if (m_dataLen == 0) {
        MVLOG(LOG_ERR, "bad datalen for %ls, size %u, offset %lli", path.c_str(), size,
              static_cast<long long>(m_dataOffset));
        return false;
    }
    try {
        return ReadMp4Tags(fd, path);
    } catch (const std::exception& e) {
        MVLOG(LOG_ERR, "Tag library failed on %ls: %s", path.c_str(), e.what());
        return false;
    }
}

bool FileMetaData::ReadMp4Tags(int fd, const std::wstring& path) {
    const Mp4TagFile tagFile(WideToUtf8(path), fd, true);
    TagLib::MP4::File& file = tagFile.File();
    const TagLib::AudioProperties* properties = file.audioProperties();
    if (!file.isValid() || !properties) {
        MVLOG(LOG_ERR, "Error getting audio properties for %ls, errno %i", path.c_str(), errno);
        return false;
    }
    const TagLib::MP4::Tag* tag = file.hasMP4Tag() ? file.tag() : nullptr;
    hasTag = tag ? 1 : 0;
    if (tag) {
        tagArtist = CutUtf8(tag->artist().to8Bit(true), kMaxTagTextBytes);
        tagTitle = CutUtf8(tag->title().to8Bit(true), kMaxTagTextBytes);
        tagAlbum = CutUtf8(tag->album().to8Bit(true), kMaxTagTextBytes);
        trackNum = static_cast<uint16_t>(tag->track());
        std::vector<unsigned char> picture;
        std::string mimeType;
        if (ChooseMp4Cover(*tag, picture, mimeType))
            SetCoverArt(picture.data(), picture.size());
        WalkMp4Items(*tag);
    }
    lengthSecs = static_cast<uint32_t>(properties->lengthInSeconds());
    bitRate = static_cast<uint16_t>(properties->bitrate());
    return true;
}

void FileMetaData::WalkMp4Items(const TagLib::MP4::Tag& tag) {
    for (const auto& [key, item] : tag.itemMap()) {
        const std::string name = key.upper().to8Bit(true);
        if (name == kItemXid || name == kItemPurchaseDate) {
            AppendAux(name, JoinedStrings(item));
        } else if (name == kItemAlbumArtist) {
            // Cut like the other tag texts, so the file-details record holds it.
            tagAlbumArtist = CutUtf8(JoinedStrings(item), kMaxTagTextBytes);
        }
    }
}
