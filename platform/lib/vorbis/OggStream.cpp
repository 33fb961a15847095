#include "platform/lib/vorbis/OggStream.h"

namespace platform {

OggStream::~OggStream() {
    Clear();
}

int OggStream::Init(int serial) noexcept {
    Clear();
    int result = ogg_stream_init(&m_stream, serial);
    m_ready = result == 0;
    return result;
}

void OggStream::Clear() noexcept {
    if (m_ready) {
        ogg_stream_clear(&m_stream);
        m_ready = false;
    }
}

} // namespace platform
