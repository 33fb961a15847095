// A TagLib stream over a file its caller holds open, so that the tags are
// read from the file the caller opened and checked, never from whatever its
// path holds by now. Read-only, by pread (the descriptor's offset is left
// alone); its first `replacedBytes` bytes may be read as `head` instead (an
// ID3v2 tag cut down by TrimId3v2Tag).
#pragma once

#include <tiostream.h>

#include <cstdint>
#include <string>

class FdTagStream final : public TagLib::IOStream {
  public:
    // `fd` must stay open as long as the stream; `name` is what TagLib shows.
    FdTagStream(std::string name, int fd, const std::string& head = std::string(),
                uint64_t replacedBytes = 0);

    TagLib::FileName name() const override { return m_name.c_str(); }
    bool readOnly() const override { return true; }
    bool isOpen() const override { return m_fd >= 0; }
    long tell() const override { return m_position; }
    long length() override { return static_cast<long>(m_head.size() + m_restBytes); }
    void seek(long offset, Position from) override;
    TagLib::ByteVector readBlock(unsigned long length) override;

    // Tags are only read through this stream.
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    void truncate(long) override {}

  private:
    std::string m_name;
    int m_fd;
    TagLib::ByteVector m_head;
    uint64_t m_replacedBytes;
    uint64_t m_restBytes = 0;
    long m_position = 0;
};
