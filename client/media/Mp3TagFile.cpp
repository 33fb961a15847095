#include "client/media/Mp3TagFile.h"

#include "client/media/FdTagStream.h"
#include "client/media/Id3v2Trim.h"

#include <id3v2framefactory.h>
#include <mpegfile.h>

Mp3TagFile::Mp3TagFile(const std::string& utf8Path, int fd, uint64_t id3v2Len, bool readProperties) {
    std::string trimmed;
    if (TrimId3v2Tag(FileByteReader(fd), id3v2Len, kId3v2Limits, trimmed))
        m_stream = std::make_unique<FdTagStream>(utf8Path, fd, trimmed, id3v2Len);
    else
        m_stream = std::make_unique<FdTagStream>(utf8Path, fd);
    m_file = std::make_unique<TagLib::MPEG::File>(m_stream.get(), TagLib::ID3v2::FrameFactory::instance(),
                                                  readProperties, TagLib::AudioProperties::Fast);
}

Mp3TagFile::~Mp3TagFile() = default;
