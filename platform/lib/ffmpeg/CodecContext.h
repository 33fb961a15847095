// Owns one codec context (AVCodecContext*), freed when the owner goes. Opens
// decoders for a demuxed stream and drives FFmpeg's send/receive decoding.
// Results are FFmpeg's own codes; nothing logs.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace platform {

class CodecContext {
  public:
    CodecContext() = default;
    ~CodecContext();
    CodecContext(CodecContext&& other) noexcept;
    CodecContext& operator=(CodecContext&& other) noexcept;
    CodecContext(const CodecContext&) = delete;
    CodecContext& operator=(const CodecContext&) = delete;

    // Finds the decoder for the stream's codec, copies the stream's parameters
    // and opens it (freeing any context held before) with `threadCount`
    // decoding threads (0: FFmpeg's choice). AVERROR_DECODER_NOT_FOUND when
    // FFmpeg has no decoder for the codec. Nothing is held on failure.
    [[nodiscard]] int OpenDecoder(const AVCodecParameters* parameters, int threadCount = 0) noexcept;
    // avcodec_send_packet; a null packet starts draining.
    int SendPacket(const AVPacket* packet) noexcept;
    // avcodec_receive_frame: 0, AVERROR(EAGAIN) when the decoder wants more
    // input, AVERROR_EOF once drained, or an error.
    int ReceiveFrame(AVFrame* frame) noexcept;
    // Drops buffered input and output (after a seek or an error).
    void Flush() noexcept;
    void Free() noexcept;

    AVCodecContext* Get() const noexcept { return m_context; }
    bool IsOpen() const noexcept { return m_context != nullptr; }

  private:
    AVCodecContext* m_context = nullptr;
};

} // namespace platform
