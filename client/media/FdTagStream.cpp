#include "client/media/FdTagStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

FdTagStream::FdTagStream(std::string name, int fd, const std::string& head, uint64_t replacedBytes)
    : m_name(std::move(name)), m_fd(fd), m_head(head.data(), static_cast<unsigned>(head.size())),
      m_replacedBytes(replacedBytes) {
    struct stat st {};
    if (fstat(m_fd, &st) == 0 && static_cast<uint64_t>(st.st_size) > replacedBytes)
        m_restBytes = static_cast<uint64_t>(st.st_size) - replacedBytes;
}

void FdTagStream::seek(long offset, Position from) {
    const long base = from == Beginning ? 0 : from == Current ? m_position : length();
    m_position = std::max(0L, base + offset);
}

TagLib::ByteVector FdTagStream::readBlock(unsigned long length) {
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
        const ssize_t got = pread(m_fd, block.data() + done, block.size() - done, static_cast<off_t>(at));
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
