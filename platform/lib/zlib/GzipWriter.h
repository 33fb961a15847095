// Writes a gzip stream to a descriptor through zlib, so that data reaches the
// disk only in compressed form. Owns the descriptor and the z_stream.
#pragma once

#include "platform/fs/UniqueFd.h"

#include <zlib.h>

#include <cstddef>

namespace platform {

class GzipWriter {
  public:
    explicit GzipWriter(UniqueFd fd) noexcept;
    ~GzipWriter();
    GzipWriter(const GzipWriter&) = delete;
    GzipWriter& operator=(const GzipWriter&) = delete;

    // False once anything has failed (set-up, a write, the finish); a failed
    // writer stays failed and writes nothing more.
    bool Ok() const noexcept { return m_ok; }
    [[nodiscard]] bool Write(const void* data, size_t size) noexcept;
    // Ends the stream and closes the descriptor; true only when every byte
    // reached the file and the close succeeded.
    [[nodiscard]] bool Finish() noexcept;

  private:
    bool Deflate(int flush) noexcept;

    UniqueFd m_fd;
    z_stream m_stream{};
    bool m_streamReady = false;
    bool m_ok = false;
    unsigned char m_out[16384];
};

} // namespace platform
