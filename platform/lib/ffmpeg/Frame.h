// Owns one of FFmpeg's reference-counted frame records, allocated with the
// owner and freed with it. An owner whose allocation failed holds null: test
// IsAllocated before use.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include <utility>

namespace platform {

class Frame {
  public:
    Frame() noexcept : m_frame(av_frame_alloc()) {}
    ~Frame() { av_frame_free(&m_frame); }
    Frame(Frame&& other) noexcept : m_frame(std::exchange(other.m_frame, nullptr)) {}
    Frame& operator=(Frame&& other) noexcept {
        if (this != &other) {
            av_frame_free(&m_frame);
            m_frame = std::exchange(other.m_frame, nullptr);
        }
        return *this;
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    bool IsAllocated() const noexcept { return m_frame != nullptr; }
    AVFrame* Get() const noexcept { return m_frame; }
    AVFrame* operator->() const noexcept { return m_frame; }
    void Unref() noexcept { av_frame_unref(m_frame); }

  private:
    AVFrame* m_frame;
};

} // namespace platform
