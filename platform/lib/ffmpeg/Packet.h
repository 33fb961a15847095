// Owns one of FFmpeg's reference-counted packet records, allocated with the
// owner and freed with it. An owner whose allocation failed holds null: test
// IsAllocated before use.
#pragma once

extern "C" {
#include <libavcodec/packet.h>
}

#include <utility>

namespace platform {

class Packet {
  public:
    Packet() noexcept : m_packet(av_packet_alloc()) {}
    ~Packet() { av_packet_free(&m_packet); }
    Packet(Packet&& other) noexcept : m_packet(std::exchange(other.m_packet, nullptr)) {}
    Packet& operator=(Packet&& other) noexcept {
        if (this != &other) {
            av_packet_free(&m_packet);
            m_packet = std::exchange(other.m_packet, nullptr);
        }
        return *this;
    }
    Packet(const Packet&) = delete;
    Packet& operator=(const Packet&) = delete;

    bool IsAllocated() const noexcept { return m_packet != nullptr; }
    AVPacket* Get() const noexcept { return m_packet; }
    AVPacket* operator->() const noexcept { return m_packet; }
    // Drops the data the packet refers to; the record stays for reuse.
    void Unref() noexcept { av_packet_unref(m_packet); }

  private:
    AVPacket* m_packet;
};

} // namespace platform
