#include "platform/lib/ffmpeg/FormatInput.h"

#include <utility>

namespace platform {

FormatInput::~FormatInput() {
    Close();
}

FormatInput::FormatInput(FormatInput&& other) noexcept : m_context(std::exchange(other.m_context, nullptr)) {}

FormatInput& FormatInput::operator=(FormatInput&& other) noexcept {
    if (this != &other) {
        Close();
        m_context = std::exchange(other.m_context, nullptr);
    }
    return *this;
}

int FormatInput::Open(const char* path, const char* forcedFormat, int64_t probeBytes) noexcept {
    Close();
    const AVInputFormat* format = nullptr;
    if (forcedFormat) {
        format = av_find_input_format(forcedFormat);
        if (!format)
            return AVERROR_DEMUXER_NOT_FOUND;
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        return AVERROR(ENOMEM);
    if (probeBytes > 0)
        context->probesize = probeBytes;
    // Local files only: a path is never read as an address of another kind.
    AVDictionary* options = nullptr;
    int result = av_dict_set(&options, "protocol_whitelist", "file", 0);
    if (result < 0) {
        avformat_free_context(context);
        return result;
    }
    // avformat_open_input frees the context itself when it fails.
    result = avformat_open_input(&context, path, format, &options);
    av_dict_free(&options);
    if (result < 0)
        return result;
    m_context = context;
    return result;
}

int FormatInput::FindStreamInfo() noexcept {
    return avformat_find_stream_info(m_context, nullptr);
}

int FormatInput::ReadPacket(AVPacket* packet) noexcept {
    return av_read_frame(m_context, packet);
}

int FormatInput::Seek(int streamIndex, int64_t timestamp, int flags) noexcept {
    return av_seek_frame(m_context, streamIndex, timestamp, flags);
}

void FormatInput::Close() noexcept {
    if (m_context)
        avformat_close_input(&m_context);
}

} // namespace platform
