// An MP3 file the caller holds open, read with TagLib for its tags and audio
// properties. An ID3v2 tag too large to read whole is read as TrimId3v2Tag
// cuts it down: TagLib sees the cut copy where the tag was and the rest of
// the file behind it, so the audio, the tag's texts and its usable pictures
// read as before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace TagLib {
class IOStream;
namespace MPEG {
class File;
}
} // namespace TagLib

class Mp3TagFile {
  public:
    // fd: the file, open as long as this object; utf8Path: its name, for
    // TagLib to show; id3v2Len: its ID3v2 tag length as readID3v2Head gives
    // it; readProperties: with the audio properties, in TagLib's fast style.
    Mp3TagFile(const std::string& utf8Path, int fd, uint64_t id3v2Len, bool readProperties);
    ~Mp3TagFile();
    Mp3TagFile(const Mp3TagFile&) = delete;
    Mp3TagFile& operator=(const Mp3TagFile&) = delete;

    TagLib::MPEG::File& File() const { return *m_file; }

  private:
    // Declared first: the file reads through it until it goes.
    std::unique_ptr<TagLib::IOStream> m_stream;
    std::unique_ptr<TagLib::MPEG::File> m_file;
};
