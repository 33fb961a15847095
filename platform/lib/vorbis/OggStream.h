// Owns one libogg logical stream (ogg_stream_state), cleared when the owner
// goes. Packets go in and pages come out through libogg's calls on Get().
#pragma once

#include <ogg/ogg.h>

namespace platform {

class OggStream {
  public:
    OggStream() = default;
    ~OggStream();
    OggStream(const OggStream&) = delete;
    OggStream& operator=(const OggStream&) = delete;

    // ogg_stream_init with the stream's serial number; 0 on success.
    [[nodiscard]] int Init(int serial) noexcept;
    void Clear() noexcept;

    ogg_stream_state* Get() noexcept { return &m_stream; }

  private:
    ogg_stream_state m_stream{};
    bool m_ready = false;
};

} // namespace platform
