#include "tests/support/media/TuneFixture.h"

#include "tests/support/media/FfmpegOwners.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <memory>
#include <numbers>

namespace testsupport {

namespace {

// Four notes a second, walking a scale, so that every second sounds
// different.
class Tune {
  public:
    explicit Tune(const TuneSpec& spec) : m_spec(spec) {}

    float Next() {
        const double t = static_cast<double>(m_index++) / m_spec.sampleRate;
        if (t < m_spec.silentSeconds)
            return 0.0f;
        const int note = static_cast<int>((t - m_spec.silentSeconds) * 4);
        const double frequency = 220.0 * std::pow(2.0, ((note * m_spec.noteStep) % 24) / 12.0);
        m_phase += 2 * std::numbers::pi * frequency / m_spec.sampleRate;
        return static_cast<float>(0.3 * std::sin(m_phase) + 0.1 * std::sin(3 * m_phase));
    }

  private:
    const TuneSpec& m_spec;
    long m_index = 0;
    double m_phase = 0;
};

bool WritePackets(AVFormatContext* output, AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    if (avcodec_send_frame(codec, frame) < 0)
        return false;
    PacketPtr packet(av_packet_alloc());
    for (;;) {
        const int result = avcodec_receive_packet(codec, packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            return false;
        av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(output, packet.get()) < 0)
            return false;
    }
}

} // namespace

bool WriteTuneFile(const std::string& path, const TuneSpec& spec) {
    const bool mp3 = spec.format == TUNE_MP3;
    AVFormatContext* rawOutput = nullptr;
    if (avformat_alloc_output_context2(&rawOutput, nullptr, mp3 ? "mp3" : "ipod", path.c_str()) < 0)
        return false;
    OutputPtr output(rawOutput);
    const AVCodec* encoder = avcodec_find_encoder_by_name(mp3 ? "libmp3lame" : "aac");
    if (!encoder)
        return false;
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    CodecContextPtr codec(avcodec_alloc_context3(encoder));
    if (!stream || !codec)
        return false;
    codec->sample_rate = spec.sampleRate;
    av_channel_layout_default(&codec->ch_layout, spec.channels);
    codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec->bit_rate = 128000;
    codec->time_base = {1, spec.sampleRate};
    if (!StartEncodedFile(output.get(), stream, codec.get(), encoder, path))
        return false;

    FramePtr frame(av_frame_alloc());
    frame->nb_samples = codec->frame_size;
    frame->format = codec->sample_fmt;
    frame->sample_rate = codec->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0)
        return false;
    Tune tune(spec);
    const long total = static_cast<long>(spec.seconds * spec.sampleRate);
    for (long done = 0; done < total; done += frame->nb_samples) {
        if (av_frame_make_writable(frame.get()) < 0)
            return false;
        for (int i = 0; i < frame->nb_samples; ++i) {
            const float sample = done + i < total ? tune.Next() : 0.0f;
            for (int c = 0; c < spec.channels; ++c)
                reinterpret_cast<float*>(frame->data[c])[i] = sample;
        }
        frame->pts = done;
        if (!WritePackets(output.get(), codec.get(), stream, frame.get()))
            return false;
    }
    return WritePackets(output.get(), codec.get(), stream, nullptr) && av_write_trailer(output.get()) >= 0;
}

} // namespace testsupport
