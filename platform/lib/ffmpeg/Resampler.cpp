#include "platform/lib/ffmpeg/Resampler.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <utility>

namespace platform {

namespace {
// The most channels libswresample takes.
constexpr int kMaxChannels = 64;
} // namespace

Resampler::~Resampler() {
    Free();
}

Resampler::Resampler(Resampler&& other) noexcept {
    *this = std::move(other);
}

Resampler& Resampler::operator=(Resampler&& other) noexcept {
    if (this != &other) {
        Free();
        m_context = std::exchange(other.m_context, nullptr);
        // A plain copy: the layout's storage (if any) moves with it.
        m_inLayout = std::exchange(other.m_inLayout, AVChannelLayout{});
        m_inRate = other.m_inRate;
        m_inFormat = other.m_inFormat;
    }
    return *this;
}

int Resampler::Open(const AudioFormat& in, const AudioFormat& out, const double* matrix) noexcept {
    Free();
    if (in.layout->nb_channels < 1 || in.layout->nb_channels > kMaxChannels || out.layout->nb_channels < 1)
        return AVERROR(EINVAL);
    AVChannelLayout inLayout{};
    int result = 0;
    if (in.layout->order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inLayout, in.layout->nb_channels);
    else
        result = av_channel_layout_copy(&inLayout, in.layout);
    SwrContext* context = nullptr;
    if (result >= 0)
        // FFmpeg 5.1 declares the layouts writable but only copies them.
        result = swr_alloc_set_opts2(&context, const_cast<AVChannelLayout*>(out.layout), out.sampleFormat,
                                     out.sampleRate, &inLayout, in.sampleFormat, in.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    if (result >= 0)
        result = av_opt_set_int(context, "filter_size", kFilterSize, 0);
    if (result >= 0)
        result = av_opt_set_int(context, "phase_shift", kPhaseShift, 0);
    if (result >= 0)
        result = av_opt_set_int(context, "linear_interp", 0, 0);
    if (result >= 0)
        result = av_opt_set_double(context, "cutoff", kCutoff, 0);
    if (result >= 0 && matrix)
        result = swr_set_matrix(context, matrix, in.layout->nb_channels);
    if (result >= 0)
        result = swr_init(context);
    if (result < 0) {
        swr_free(&context);
        return result;
    }
    if (av_channel_layout_copy(&m_inLayout, in.layout) < 0) {
        swr_free(&context);
        return AVERROR(ENOMEM);
    }
    m_context = context;
    m_inRate = in.sampleRate;
    m_inFormat = in.sampleFormat;
    return result;
}

bool Resampler::Takes(const AVChannelLayout& layout, int sampleRate,
                      AVSampleFormat sampleFormat) const noexcept {
    return m_context && sampleRate == m_inRate && sampleFormat == m_inFormat &&
           av_channel_layout_compare(&layout, &m_inLayout) == 0;
}

int Resampler::Convert(uint8_t* const* out, int outFrames, const uint8_t* const* in, int inFrames) noexcept {
    // swr_convert drains (and ends) the stream when its input is null; an
    // empty input array only takes out what is buffered.
    const uint8_t* none[kMaxChannels] = {};
    if (!in) {
        in = none;
        inFrames = 0;
    }
    return swr_convert(m_context, const_cast<uint8_t**>(out), outFrames, const_cast<const uint8_t**>(in),
                       inFrames);
}

int Resampler::Drain(uint8_t* const* out, int outFrames) noexcept {
    return swr_convert(m_context, const_cast<uint8_t**>(out), outFrames, nullptr, 0);
}

void Resampler::Free() noexcept {
    swr_free(&m_context);
    av_channel_layout_uninit(&m_inLayout);
    m_inRate = 0;
    m_inFormat = AV_SAMPLE_FMT_NONE;
}

} // namespace platform
