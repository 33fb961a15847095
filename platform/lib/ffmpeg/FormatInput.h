// Owns one demuxer context (AVFormatContext*) opened on a file, closed when
// the owner goes. Results are FFmpeg's own codes (0 or more: success, a
// negative AVERROR: failure); nothing logs.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdint>

namespace platform {

class FormatInput {
  public:
    FormatInput() = default;
    ~FormatInput();
    FormatInput(FormatInput&& other) noexcept;
    FormatInput& operator=(FormatInput&& other) noexcept;
    FormatInput(const FormatInput&) = delete;
    FormatInput& operator=(const FormatInput&) = delete;

    // Opens the UTF-8 path of a local file (closing any input held before; no
    // other protocol is read). forcedFormat names
    // a demuxer to use instead of probing (AVERROR_DEMUXER_NOT_FOUND when
    // there is none of that name); probeBytes > 0 bounds the bytes probed here
    // and by FindStreamInfo.
    [[nodiscard]] int Open(const char* path, const char* forcedFormat = nullptr,
                           int64_t probeBytes = 0) noexcept;
    // avformat_find_stream_info.
    [[nodiscard]] int FindStreamInfo() noexcept;
    // The next packet (av_read_frame); the caller unreferences it.
    int ReadPacket(AVPacket* packet) noexcept;
    // av_seek_frame.
    int Seek(int streamIndex, int64_t timestamp, int flags) noexcept;
    void Close() noexcept;

    AVFormatContext* Get() const noexcept { return m_context; }
    bool IsOpen() const noexcept { return m_context != nullptr; }

  private:
    AVFormatContext* m_context = nullptr;
};

} // namespace platform
