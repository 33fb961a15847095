#include "client/media/Mp4TagFile.h"

#include "client/media/Mp4ItemLists.h"
#include "client/media/ViewTagStream.h"

#include <mp4file.h>

Mp4TagFile::Mp4TagFile(const std::string& utf8Path, int fd, bool readProperties)
    : m_view(Mp4FileView(fd)),
      m_stream(std::make_unique<ViewTagStream>(utf8Path, *m_view, kTagLimits.wholeTagBytes)),
      m_file(std::make_unique<TagLib::MP4::File>(m_stream.get(), readProperties,
                                                 TagLib::AudioProperties::Fast)) {}

Mp4TagFile::~Mp4TagFile() = default;
