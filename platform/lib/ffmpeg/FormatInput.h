// Owns one demuxer input (AVFormatContext*) opened from a file, closed when
// the owner goes. Results are FFmpeg's own codes; nothing logs.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

namespace platform {

class FormatInput {
  public:
    FormatInput() = default;
    ~FormatInput();
    FormatInput(const FormatInput&) = delete;
    FormatInput& operator=(const FormatInput&) = delete;

    // Opens the UTF-8 `path` with the format FFmpeg probes (none forced),
    // reading local files only, and closes any input held before. 0 or a
    // negative AVERROR; on failure nothing is held.
    [[nodiscard]] int Open(const char* path) noexcept;
    // Reads packets until every stream's codec is known. >= 0 or a negative
    // AVERROR.
    [[nodiscard]] int FindStreamInfo() noexcept;
    void Close() noexcept;

    AVFormatContext* Get() const noexcept { return m_context; }

  private:
    AVFormatContext* m_context = nullptr;
};

} // namespace platform
