#include "client/media/ViewTagStream.h"

#include <algorithm>

namespace {

// A read not served gets this many zero bytes: never none, on which TagLib's
// ID3v2 parser would count below zero.
constexpr unsigned kRefusedReadBytes = 16;

} // namespace

ViewTagStream::ViewTagStream(std::string name, FileView& view, uint64_t largestRead)
    : m_name(std::move(name)), m_view(view), m_largestRead(largestRead) {}

void ViewTagStream::seek(long offset, Position from) {
    const long base = from == Beginning ? 0 : from == Current ? m_position : length();
    m_position = std::max(0L, base + offset);
}

TagLib::ByteVector ViewTagStream::readBlock(unsigned long length) {
    if (length > m_largestRead) {
        if (!m_refused) {
            m_refused = true;
            m_refusedAt = static_cast<uint64_t>(m_position);
            m_refusedLength = length;
        }
        m_position += kRefusedReadBytes;
        return TagLib::ByteVector(kRefusedReadBytes, '\0');
    }
    const unsigned long available =
        m_position < this->length() ? static_cast<unsigned long>(this->length() - m_position) : 0;
    TagLib::ByteVector block(static_cast<unsigned>(std::min(length, available)), '\0');
    const int64_t got = m_view.ReadAt(static_cast<uint64_t>(m_position), block.data(), block.size());
    block.resize(got > 0 ? static_cast<unsigned>(got) : 0);
    m_position += static_cast<long>(block.size());
    return block;
}

bool ViewTagStream::FirstRefusedRead(uint64_t& position, uint64_t& length) const {
    position = m_refusedAt;
    length = m_refusedLength;
    return m_refused;
}
