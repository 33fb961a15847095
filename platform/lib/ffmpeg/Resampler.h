// Owns one libswresample context (SwrContext*), freed when the owner goes.
// Every resampler the program makes uses the same filter: 16 taps, 2^10
// phases, no linear interpolation, cut-off 0.8. Results are FFmpeg's own
// codes; nothing logs.
#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <cstdint>

namespace platform {

// One side of a conversion: channels, rate in Hz, sample format.
struct AudioFormat {
    const AVChannelLayout* layout;
    int sampleRate;
    AVSampleFormat sampleFormat;
};

class Resampler {
  public:
    static constexpr int kFilterSize = 16;
    static constexpr int kPhaseShift = 10;
    static constexpr double kCutoff = 0.8;

    Resampler() = default;
    ~Resampler();
    Resampler(Resampler&& other) noexcept;
    Resampler& operator=(Resampler&& other) noexcept;
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Sets up the conversion (freeing any held before). An input layout that
    // only counts its channels (as some containers give) is taken as the
    // default layout of that many channels. `matrix`, when given, is the
    // channel mix in place of the one derived from the layouts: one row of
    // input-channel weights per output channel. Nothing is held on failure.
    [[nodiscard]] int Open(const AudioFormat& in, const AudioFormat& out,
                           const double* matrix = nullptr) noexcept;
    // Whether frames of this format can be given to Convert as they are.
    bool Takes(const AVChannelLayout& layout, int sampleRate, AVSampleFormat sampleFormat) const noexcept;
    // swr_convert: frames written (at most outFrames) or a negative AVERROR.
    // Input that does not fit stays buffered; a null input gives only what
    // is buffered, so a large input can be taken out in several calls.
    int Convert(uint8_t* const* out, int outFrames, const uint8_t* const* in, int inFrames) noexcept;
    // At the end of the input: the buffered frames and the filter's tail,
    // until it gives 0.
    int Drain(uint8_t* const* out, int outFrames) noexcept;
    void Free() noexcept;

    SwrContext* Get() const noexcept { return m_context; }
    bool IsOpen() const noexcept { return m_context != nullptr; }

  private:
    SwrContext* m_context = nullptr;
    // The input format as Open was given it.
    AVChannelLayout m_inLayout{};
    int m_inRate = 0;
    AVSampleFormat m_inFormat = AV_SAMPLE_FMT_NONE;
};

} // namespace platform
