#include "platform/lib/ffmpeg/FormatInput.h"

namespace platform {

FormatInput::~FormatInput() {
    Close();
}

int FormatInput::Open(const char* path) noexcept {
    Close();
    // A file may name others (a playlist format); they are never fetched
    // from anywhere but local files.
    AVDictionary* options = nullptr;
    int result = av_dict_set(&options, "protocol_whitelist", "file", 0);
    // On failure avformat_open_input frees the context and nulls the pointer.
    if (result >= 0)
        result = avformat_open_input(&m_context, path, nullptr, &options);
    av_dict_free(&options);
    return result;
}

int FormatInput::FindStreamInfo() noexcept {
    if (!m_context)
        return AVERROR(EINVAL);
    return avformat_find_stream_info(m_context, nullptr);
}

void FormatInput::Close() noexcept {
    if (m_context)
        avformat_close_input(&m_context);
}

} // namespace platform
