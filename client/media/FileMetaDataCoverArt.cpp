// The cover picture of a record's file, read on demand for the song server.
#include "client/media/FileMetaData.h"
#include "client/media/Id3v2Picture.h"
#include "client/media/Mp3TagFile.h"
#include "client/media/Mp4Cover.h"
#include "client/media/Mp4TagFile.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <fcntl.h>
#include <id3v2tag.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <mpegfile.h>

#include <exception>

namespace {

bool ReadCoverArt(const FileMetaData& record, int fd, const std::string& path,
                  std::vector<unsigned char>& bytes, std::string& mimeType) {
    if (record.GetEncType() == MP3) {
        // The tag length comes from an earlier ReadQuickInfo: without a tag
        // there is nothing to read.
        if (record.GetId3v2Len() == 0)
            return false;
        const Mp3TagFile tagFile(path, fd, false);
        TagLib::MPEG::File& file = tagFile.File();
        const TagLib::ID3v2::Tag* tag = file.hasID3v2Tag() ? file.ID3v2Tag(false) : nullptr;
        return tag && ChooseId3v2Picture(*tag, bytes, mimeType);
    }
    if (record.GetEncType() == AAC) {
        const Mp4TagFile tagFile(path, fd, false);
        const TagLib::MP4::File& file = tagFile.File();
        return file.isValid() && file.hasMP4Tag() && ChooseMp4Cover(*file.tag(), bytes, mimeType);
    }
    return false;
}

} // namespace

bool FileMetaData::GetCoverArt(std::vector<unsigned char>& bytes, std::string& mimeType) const {
    const std::wstring path = GetFullPath();
    if (path.empty())
        return false;
    const platform::UniqueFd fd(platform::OpenCloexec(WideToUtf8(path), O_RDONLY));
    return fd.IsValid() && GetCoverArt(fd.Get(), bytes, mimeType);
}

bool FileMetaData::GetCoverArt(int fd, std::vector<unsigned char>& bytes, std::string& mimeType) const {
    const std::wstring path = GetFullPath();
    if (path.empty() || fd < 0)
        return false;
    try {
        return ReadCoverArt(*this, fd, WideToUtf8(path), bytes, mimeType);
    } catch (const std::exception& e) {
        MVLOG(LOG_ERR, "Tag library failed on %ls: %s", path.c_str(), e.what());
        return false;
    }
}
