#include "platform/lib/ffmpeg/CodecContext.h"

#include <utility>

namespace platform {

CodecContext::~CodecContext() {
    Free();
}

CodecContext::CodecContext(CodecContext&& other) noexcept
    : m_context(std::exchange(other.m_context, nullptr)) {}

CodecContext& CodecContext::operator=(CodecContext&& other) noexcept {
    if (this != &other) {
        Free();
        m_context = std::exchange(other.m_context, nullptr);
    }
    return *this;
}

int CodecContext::OpenDecoder(const AVCodecParameters* parameters, int threadCount) noexcept {
    Free();
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder)
        return AVERROR_DECODER_NOT_FOUND;
    AVCodecContext* context = avcodec_alloc_context3(decoder);
    if (!context)
        return AVERROR(ENOMEM);
    int result = avcodec_parameters_to_context(context, parameters);
    // Read by avcodec_open2 only.
    context->thread_count = threadCount;
    if (result >= 0)
        result = avcodec_open2(context, decoder, nullptr);
    if (result < 0) {
        avcodec_free_context(&context);
        return result;
    }
    m_context = context;
    return result;
}

int CodecContext::SendPacket(const AVPacket* packet) noexcept {
    return avcodec_send_packet(m_context, packet);
}

int CodecContext::ReceiveFrame(AVFrame* frame) noexcept {
    return avcodec_receive_frame(m_context, frame);
}

void CodecContext::Flush() noexcept {
    if (m_context)
        avcodec_flush_buffers(m_context);
}

void CodecContext::Free() noexcept {
    avcodec_free_context(&m_context);
}

} // namespace platform
