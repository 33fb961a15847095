// The cover picture of a song file, read on demand for the song server.
#include "client/media/FileMetaData.h"
#include "client/media/Id3v2Picture.h"

#include "include/log/Logger.h"

#include <id3v2tag.h>
#include <mpegfile.h>

#include <exception>

bool FileMetaData::GetCoverArt(std::vector<unsigned char>& bytes, std::string& mimeType) const {
    if (encType != MP3 || m_id3v2Len == 0 || utf8Path.empty())
        return false;
    try {
        TagLib::MPEG::File file(utf8Path.c_str(), false);
        const TagLib::ID3v2::Tag* tag = file.isValid() ? file.ID3v2Tag(false) : nullptr;
        return tag && ChooseId3v2Picture(*tag, bytes, mimeType);
    } catch (const std::exception& e) {
        MVLOG(LOG_ERR, "Tag library failed on %s: %s", utf8Path.c_str(), e.what());
        return false;
    }
}
