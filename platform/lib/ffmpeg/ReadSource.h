// The bytes a demuxer reads, by offset: a file, or a view of one in which a
// few ranges read otherwise. FormatInput reads nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

class ReadSource {
  public:
    virtual ~ReadSource() = default;
    // Reads up to `count` bytes at `offset` into `out`: the number read (fewer
    // only at the end), or -1 with errno set when reading failed.
    [[nodiscard]] virtual int64_t ReadAt(uint64_t offset, void* out, size_t count) noexcept = 0;
    [[nodiscard]] virtual uint64_t Size() const noexcept = 0;
};

} // namespace platform
