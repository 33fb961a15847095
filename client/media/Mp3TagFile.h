// An MP3 file the caller holds open, read with TagLib for its tags and audio
// properties. An ID3v2 tag too large to read whole, wherever TagLib finds it
// (at the start, or behind junk before the first audio frame), is read as
// TrimId3v2Tag cuts it down: TagLib sees the cut copy where the tag was and
// the rest of the file behind it, so the audio, the tag's texts and its
// usable pictures read as before. TagLib finds the tag itself: its first
// reading refuses any single read larger than a whole tag may be, and the
// refused read of a tag's body says where that tag lies.
#pragma once

#include "client/media/FileView.h"

#include <cstdint>
#include <memory>
#include <string>

namespace TagLib::MPEG {
class File;
}
class ViewTagStream;

class Mp3TagFile {
  public:
    // fd: the file, open while this object is made; utf8Path: its name, for
    // TagLib to show; readProperties: with the audio properties, in TagLib's
    // fast style.
    Mp3TagFile(const std::string& utf8Path, int fd, bool readProperties);
    ~Mp3TagFile();
    Mp3TagFile(const Mp3TagFile&) = delete;
    Mp3TagFile& operator=(const Mp3TagFile&) = delete;

    TagLib::MPEG::File& File() const { return *m_file; }
    // Where the ID3v2 tag read cut down ends in the file (0 when none was):
    // a demuxer that starts there reads none of it.
    uint64_t CutTagEnd() const { return m_cutTagEnd; }

  private:
    void Open(bool readProperties);

    std::string m_name;
    FileView m_view;
    // Declared before the file: the file reads through them until it goes.
    std::unique_ptr<ViewTagStream> m_stream;
    std::unique_ptr<TagLib::MPEG::File> m_file;
    uint64_t m_cutTagEnd = 0;
};
