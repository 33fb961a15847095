// An MPEG-4 file the caller holds open, read with TagLib for its tags and
// audio properties, through the view in which its item lists too large to
// read whole are cut down (Mp4ItemLists). No single read larger than a whole
// tag may be is served.
#pragma once

#include <memory>
#include <string>

namespace TagLib::MP4 {
class File;
}
class FileView;
class ViewTagStream;

class Mp4TagFile {
  public:
    // fd: the file, open while this object is made; utf8Path: its name, for
    // TagLib to show; readProperties: with the audio properties, in TagLib's
    // fast style.
    Mp4TagFile(const std::string& utf8Path, int fd, bool readProperties);
    ~Mp4TagFile();
    Mp4TagFile(const Mp4TagFile&) = delete;
    Mp4TagFile& operator=(const Mp4TagFile&) = delete;

    TagLib::MP4::File& File() const { return *m_file; }

  private:
    // Declared before the file: the file reads through them until it goes.
    std::unique_ptr<FileView> m_view;
    std::unique_ptr<ViewTagStream> m_stream;
    std::unique_ptr<TagLib::MP4::File> m_file;
};
