#include "platform/lib/zlib/GzipWriter.h"

#include "platform/fs/FileOps.h"

#include <algorithm>
#include <climits>

namespace platform {

namespace {

// deflateInit2's window bits: 15 with 16 added for the gzip wrapper.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemLevel = 8;

} // namespace

GzipWriter::GzipWriter(UniqueFd fd) noexcept : m_fd(std::move(fd)) {
    if (!m_fd.IsValid())
        return;
    m_streamReady = deflateInit2(&m_stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, kMemLevel,
                                 Z_DEFAULT_STRATEGY) == Z_OK;
    m_ok = m_streamReady;
}

GzipWriter::~GzipWriter() {
    if (m_streamReady)
        deflateEnd(&m_stream);
}

bool GzipWriter::Deflate(int flush) noexcept {
    do {
        m_stream.next_out = m_out;
        m_stream.avail_out = sizeof m_out;
        int result = deflate(&m_stream, flush);
        if (result == Z_STREAM_ERROR)
            return false;
        size_t produced = sizeof m_out - m_stream.avail_out;
        if (produced > 0 && !WriteAll(m_fd.Get(), reinterpret_cast<const char*>(m_out), produced))
            return false;
        if (flush == Z_FINISH && result == Z_STREAM_END)
            return true;
    } while (m_stream.avail_out == 0 || flush == Z_FINISH);
    return true;
}

bool GzipWriter::Write(const void* data, size_t size) noexcept {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (m_ok && size > 0) {
        const size_t chunk = std::min<size_t>(size, UINT_MAX);
        m_stream.next_in = const_cast<unsigned char*>(bytes);
        m_stream.avail_in = static_cast<uInt>(chunk);
        m_ok = Deflate(Z_NO_FLUSH);
        bytes += chunk;
        size -= chunk;
    }
    m_stream.next_in = nullptr;
    m_stream.avail_in = 0;
    return m_ok;
}

bool GzipWriter::Finish() noexcept {
    if (m_ok)
        m_ok = Deflate(Z_FINISH);
    if (m_fd.IsValid() && close(m_fd.Release()) != 0)
        m_ok = false;
    return m_ok;
}

} // namespace platform
