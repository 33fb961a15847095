#include "client/media/Mp3TagFile.h"

#include "client/media/Id3v2Trim.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <fcntl.h>
#include <id3v2framefactory.h>
#include <mpegfile.h>
#include <sys/stat.h>
#include <tiostream.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// A file read-only, its first `replacedBytes` bytes read as `head` instead.
class ReplacedHeadStream final : public TagLib::IOStream {
  public:
    ReplacedHeadStream(std::string name, platform::UniqueFd fd, const std::string& head,
                       uint64_t replacedBytes)
        : m_name(std::move(name)), m_fd(std::move(fd)),
          m_head(head.data(), static_cast<unsigned>(head.size())), m_replacedBytes(replacedBytes) {
        struct stat st {};
        if (fstat(m_fd.Get(), &st) == 0 && static_cast<uint64_t>(st.st_size) > replacedBytes)
            m_restBytes = static_cast<uint64_t>(st.st_size) - replacedBytes;
    }

    TagLib::FileName name() const override { return m_name.c_str(); }
    bool readOnly() const override { return true; }
    bool isOpen() const override { return m_fd.IsValid(); }
    long tell() const override { return m_position; }
    long length() override { return static_cast<long>(m_head.size() + m_restBytes); }
    void seek(long offset, Position from) override {
        const long base = from == Beginning ? 0 : from == Current ? m_position : length();
        m_position = std::max(0L, base + offset);
    }

    TagLib::ByteVector readBlock(unsigned long length) override {
        const unsigned long available =
            m_position < this->length() ? static_cast<unsigned long>(this->length() - m_position) : 0;
        TagLib::ByteVector block(static_cast<unsigned>(std::min(length, available)), '\0');
        unsigned done = 0;
        const unsigned headBytes = m_head.size();
        if (static_cast<unsigned long>(m_position) < headBytes) {
            done = std::min(block.size(), headBytes - static_cast<unsigned>(m_position));
            memcpy(block.data(), m_head.data() + m_position, done);
        }
        while (done < block.size()) {
            const uint64_t at = m_replacedBytes + static_cast<uint64_t>(m_position) + done - headBytes;
            const ssize_t got =
                pread(m_fd.Get(), block.data() + done, block.size() - done, static_cast<off_t>(at));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<unsigned>(got);
        }
        block.resize(done);
        m_position += static_cast<long>(done);
        return block;
    }

    // Tags are only read through this stream.
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    void truncate(long) override {}

  private:
    std::string m_name;
    platform::UniqueFd m_fd;
    TagLib::ByteVector m_head;
    uint64_t m_replacedBytes;
    uint64_t m_restBytes = 0;
    long m_position = 0;
};

} // namespace

Mp3TagFile::Mp3TagFile(const std::string& utf8Path, uint64_t id3v2Len, bool readProperties) {
    const auto style = TagLib::AudioProperties::Fast;
    platform::UniqueFd fd;
    std::string trimmed;
    if (id3v2Len > kId3v2Limits.wholeTagBytes)
        fd.Reset(platform::OpenCloexec(utf8Path, O_RDONLY));
    if (fd.IsValid() && TrimId3v2Tag(FileByteReader(fd.Get()), id3v2Len, kId3v2Limits, trimmed)) {
        m_stream = std::make_unique<ReplacedHeadStream>(utf8Path, std::move(fd), trimmed, id3v2Len);
        m_file = std::make_unique<TagLib::MPEG::File>(m_stream.get(), TagLib::ID3v2::FrameFactory::instance(),
                                                      readProperties, style);
    } else {
        m_file = std::make_unique<TagLib::MPEG::File>(utf8Path.c_str(), readProperties, style);
    }
}

Mp3TagFile::~Mp3TagFile() = default;
