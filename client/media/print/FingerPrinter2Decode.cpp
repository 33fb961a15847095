// The packet decoder behind FingerPrinter2::DecodeFile: demux from the
// start, skip to the start position by packet durations and then within a
// frame, decode, and resample to mono 11,025 Hz 16-bit.
#include "client/media/print/FingerPrinter2.h"

#include "client/media/print/PrintSignal.h"
#include "include/log/Logger.h"
#include "platform/lib/ffmpeg/Frame.h"
#include "platform/lib/ffmpeg/Packet.h"
#include "platform/time/Clock.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kMicrosPerSecond = 1000000;
// The decoder's and the resampler's output limit (bytes), with the 8 bytes
// of slack the resample buffer always had.
constexpr size_t kMaxAudioFrameBytes = 192000;
constexpr size_t kResampleBufBytes = kMaxAudioFrameBytes + 8;
// More decoder errors than this end the decode.
constexpr int kMaxDecodeErrors = 3;

// Microseconds of `count` units of `unitsPerSecond`; false when it does not
// fit (a value no real file has).
bool ToMicros(int64_t count, int64_t unitsPerSecond, int64_t& micros) {
    if (unitsPerSecond <= 0 || count < 0 || count > std::numeric_limits<int64_t>::max() / kMicrosPerSecond)
        return false;
    micros = count * kMicrosPerSecond / unitsPerSecond;
    return true;
}

// Passes newly decoded samples to the search; true once it has its answer.
bool FeedLeadInSearch(LeadInSearch& search, const int16_t* samples, size_t count) {
    std::vector<double> doubles;
    SamplesToDoubles(samples, 1, count, doubles);
    return search.Add(doubles.data(), doubles.size());
}

} // namespace

bool FingerPrinter2::OpenResampler(const AVFrame& frame) {
    const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    const platform::AudioFormat in{&frame.ch_layout, frame.sample_rate,
                                   static_cast<AVSampleFormat>(frame.format)};
    const platform::AudioFormat out{&mono, kPrintSampleRate, AV_SAMPLE_FMT_S16};
    // Every channel counts the same: 0.5 and 0.5 for stereo.
    const int channels = frame.ch_layout.nb_channels;
    if (channels < 1)
        return false;
    const std::vector<double> weights(static_cast<size_t>(channels), 1.0 / channels);
    return m_resampler.Open(in, out, weights.data()) >= 0;
}

bool FingerPrinter2::DecodePackets(int16_t* buffer, size_t capacity, size_t& done, uint64_t startSample,
                                   LeadInSearch* search) {
    done = 0;
    int64_t offsetUS = static_cast<int64_t>(startSample * kMicrosPerSecond / kPrintSampleRate);
    const int64_t seekStarted = platform::WallSeconds();

    // Back to the start: the demuxer no longer tells where the audio data
    // begins, so the input is opened afresh.
    if (m_inputUsed && (!OpenInput() || m_input.Get()->nb_streams <= static_cast<unsigned>(m_streamIndex)))
        return false;
    m_inputUsed = true;
    m_decoder.Flush();
    if (m_resampleBuf.empty())
        m_resampleBuf.resize(kResampleBufBytes / sizeof(int16_t));
    // A fresh resampler, made for the first frame: what one decode left in
    // it must not reach the next.
    m_resampler.Free();

    const AVStream* stream = m_input.Get()->streams[m_streamIndex];
    if (stream->time_base.num != 1 || stream->time_base.den <= 0) {
        MVLOG(LOG_ERR, "Time base %i/%i of %s cannot position the print", stream->time_base.num,
              stream->time_base.den, m_utf8Path.c_str());
        return false;
    }
    platform::Packet packet;
    platform::Frame frame;
    if (!packet.IsAllocated() || !frame.IsAllocated())
        return false;

    int errors = 0;
    bool decodedAny = false;
    while (capacity > 0 && m_input.ReadPacket(packet.Get()) >= 0) {
        if (packet->stream_index != m_streamIndex) {
            MVLOG(LOG_INFO, "Skipping packet from stream %i", packet->stream_index);
            packet.Unref();
            continue;
        }
        int64_t packetUS = 0;
        if (!ToMicros(packet->duration, stream->time_base.den, packetUS)) {
            MVLOG(LOG_ERR, "Packet duration %lli of %s cannot position the print",
                  static_cast<long long>(packet->duration), m_utf8Path.c_str());
            return false;
        }
        if (offsetUS > packetUS) {
            if (packetUS == 0) {
                MVLOG(LOG_ERR, "Packet without a duration in %s; cannot skip to the print",
                      m_utf8Path.c_str());
                return false;
            }
            offsetUS -= packetUS;
            packet.Unref();
            continue;
        }
        if (!decodedAny) {
            MVLOG(LOG_INFO, "took %i secs to seek to offset",
                  static_cast<int>(platform::WallSeconds() - seekStarted));
            decodedAny = true;
        }

        int result = m_decoder.SendPacket(packet.Get());
        packet.Unref();
        bool produced = false;
        while (result >= 0 && capacity > 0) {
            result = m_decoder.ReceiveFrame(frame.Get());
            if (result < 0)
                break;
            produced = true;
            const size_t before = done;
            const bool taken = TakeFrame(*frame.Get(), offsetUS, buffer, capacity, done);
            frame.Unref();
            if (!taken) {
                done = 0;
                return false;
            }
            if (search && FeedLeadInSearch(*search, buffer + before, done - before))
                return true;
        }
        const bool failed = result < 0 && result != AVERROR(EAGAIN) && result != AVERROR_EOF;
        if (failed) {
            MVLOG(LOG_ERR, "avcodec_decode_audio3 issue, ret %i, comp: %i", result, produced ? 1 : 0);
            ++errors;
        }
        if (errors > kMaxDecodeErrors || (!failed && !produced && capacity > 0)) {
            m_decoder.Flush();
            done = 0;
            capacity = 0;
            MVLOG(LOG_ERR, "Odd avcodec_decode_audio3 issue, ret %i, comp: %i", result, produced ? 1 : 0);
        }
    }
    return done > 0;
}

bool FingerPrinter2::TakeFrame(const AVFrame& frame, int64_t& offsetUS, int16_t* buffer, size_t& capacity,
                               size_t& done) {
    if (!m_resampler.IsOpen()) {
        if (!OpenResampler(frame)) {
            MVLOG(LOG_ERR, "Could not init resampler");
            return false;
        }
    } else if (!m_resampler.Takes(frame.ch_layout, frame.sample_rate,
                                  static_cast<AVSampleFormat>(frame.format))) {
        MVLOG(LOG_ERR, "Audio format changed within %s; no print", m_utf8Path.c_str());
        return false;
    }
    int64_t frameUS = 0;
    if (frame.nb_samples <= 0 || !ToMicros(frame.nb_samples, frame.sample_rate, frameUS))
        return true;
    if (frameUS <= offsetUS) {
        MVLOG(LOG_INFO, "Odd -- still needed to skip a packet, %lli vs %lli", static_cast<long long>(frameUS),
              static_cast<long long>(offsetUS));
        offsetUS -= frameUS;
        return true;
    }
    int skip = 0;
    if (offsetUS > 0) {
        skip = static_cast<int>(frame.nb_samples * offsetUS / frameUS);
        offsetUS = 0;
    }

    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int channels = frame.ch_layout.nb_channels;
    const int sampleBytes = av_get_bytes_per_sample(format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    std::vector<const uint8_t*> in(static_cast<size_t>(planar ? channels : 1));
    for (size_t c = 0; c < in.size(); ++c)
        in[c] = frame.extended_data[c] + static_cast<size_t>(skip) * sampleBytes * (planar ? 1 : channels);

    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(m_resampleBuf.data())};
    const int outLimit = static_cast<int>(kMaxAudioFrameBytes / sizeof(int16_t));
    const int resampled = m_resampler.Convert(out, outLimit, in.data(), frame.nb_samples - skip);
    if (resampled < 0 || resampled >= outLimit) {
        MVLOG(LOG_ERR, "Resampling a frame of %s gave %i samples; no print", m_utf8Path.c_str(), resampled);
        return false;
    }
    const size_t count = std::min(capacity, static_cast<size_t>(resampled));
    std::memcpy(buffer + done, m_resampleBuf.data(), count * sizeof(int16_t));
    done += count;
    capacity -= count;
    return true;
}
