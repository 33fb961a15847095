// A TagLib stream over a FileView, so that the tags are read from the file
// the caller opened and checked, with the view's edits in place. Read-only.
// A read of more bytes than the stream was given is not served: the tag
// readers ask for a whole tag, box or item in one read, and such a read of
// a huge one would hold it all in memory. It is answered with a few zero
// bytes, which the readers take for padding or a box too short to hold
// anything, and the first one is remembered for the caller.
#pragma once

#include "client/media/FileView.h"

#include <tiostream.h>

#include <cstdint>
#include <string>

class ViewTagStream final : public TagLib::IOStream {
  public:
    // `view` must outlive the stream; `name` is what TagLib shows.
    ViewTagStream(std::string name, FileView& view, uint64_t largestRead);

    TagLib::FileName name() const override { return m_name.c_str(); }
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    long tell() const override { return m_position; }
    long length() override { return static_cast<long>(m_view.Size()); }
    void seek(long offset, Position from) override;
    TagLib::ByteVector readBlock(unsigned long length) override;

    // Tags are only read through this stream.
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    void truncate(long) override {}

    // Where the first read not served began, and the bytes it asked for;
    // false when every read was served.
    bool FirstRefusedRead(uint64_t& position, uint64_t& length) const;

  private:
    std::string m_name;
    FileView& m_view;
    uint64_t m_largestRead;
    long m_position = 0;
    bool m_refused = false;
    uint64_t m_refusedAt = 0;
    uint64_t m_refusedLength = 0;
};
