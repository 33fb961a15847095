#include "platform/lib/ffmpeg/FormatInput.h"

namespace platform {

FormatInput::~FormatInput() {
    Close();
}

int FormatInput::Open(const char* path) noexcept {
    Close();
    // On failure avformat_open_input frees the context and nulls the pointer.
    return avformat_open_input(&m_context, path, nullptr, nullptr);
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
