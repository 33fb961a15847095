#include "client/media/Mp3TagFile.h"

#include "client/media/Id3v2Trim.h"
#include "client/media/ViewTagStream.h"

#include <id3v2framefactory.h>
#include <mpegfile.h>

namespace {

constexpr uint64_t kTagHeaderBytes = 10;

} // namespace

Mp3TagFile::Mp3TagFile(const std::string& utf8Path, int fd, bool readProperties)
    : m_name(utf8Path), m_view(fd) {
    Open(readProperties);
    // TagLib reads a tag's body in one read right behind its header.
    uint64_t bodyAt = 0;
    uint64_t bodyBytes = 0;
    if (!m_stream->FirstRefusedRead(bodyAt, bodyBytes) || bodyAt < kTagHeaderBytes)
        return;
    const uint64_t tagAt = bodyAt - kTagHeaderBytes;
    const ByteReader file = m_view.FileReader();
    if (!IsId3v2HeaderAt(file, tagAt, bodyBytes))
        return;
    const ByteReader tag = [&file, tagAt](uint64_t position, unsigned char* out, size_t count) {
        return file(tagAt + position, out, count);
    };
    const uint64_t tagBytes = kTagHeaderBytes + bodyBytes;
    std::string trimmed;
    if (!TrimId3v2Tag(tag, tagBytes, kTagLimits, trimmed) ||
        !m_view.Apply({tagAt, tagBytes, std::move(trimmed)}))
        return;
    m_cutTagEnd = tagAt + tagBytes;
    Open(readProperties);
}

Mp3TagFile::~Mp3TagFile() = default;

void Mp3TagFile::Open(bool readProperties) {
    m_file.reset();
    m_stream = std::make_unique<ViewTagStream>(m_name, m_view, kTagLimits.wholeTagBytes);
    m_file = std::make_unique<TagLib::MPEG::File>(m_stream.get(), TagLib::ID3v2::FrameFactory::instance(),
                                                  readProperties, TagLib::AudioProperties::Fast);
}
