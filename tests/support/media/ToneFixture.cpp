#include "tests/support/media/ToneFixture.h"

#include "tests/support/media/FfmpegOwners.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>

namespace testsupport {

namespace {

// The sample formats the generator writes; the encoder's first of these.
AVSampleFormat PickFormat(const AVCodec* codec) {
    for (const AVSampleFormat* format = codec->sample_fmts; format && *format != AV_SAMPLE_FMT_NONE;
         ++format) {
        switch (*format) {
        case AV_SAMPLE_FMT_FLTP:
        case AV_SAMPLE_FMT_FLT:
        case AV_SAMPLE_FMT_S16P:
        case AV_SAMPLE_FMT_S16:
        case AV_SAMPLE_FMT_U8:
            return *format;
        default:
            break;
        }
    }
    return AV_SAMPLE_FMT_NONE;
}

void PutSample(AVFrame* frame, int channels, int index, int channel, double value) {
    auto format = static_cast<AVSampleFormat>(frame->format);
    bool planar = av_sample_fmt_is_planar(format);
    uint8_t* plane = frame->extended_data[planar ? channel : 0];
    int slot = planar ? index : index * channels + channel;
    switch (format) {
    case AV_SAMPLE_FMT_FLTP:
    case AV_SAMPLE_FMT_FLT:
        reinterpret_cast<float*>(plane)[slot] = static_cast<float>(value);
        break;
    case AV_SAMPLE_FMT_S16P:
    case AV_SAMPLE_FMT_S16:
        reinterpret_cast<int16_t*>(plane)[slot] = static_cast<int16_t>(std::lround(value * 32767.0));
        break;
    default:
        plane[slot] = static_cast<uint8_t>(std::lround(128.0 + value * 127.0));
        break;
    }
}

bool WritePackets(AVCodecContext* codec, AVFormatContext* output, AVStream* stream, AVPacket* packet) {
    for (;;) {
        int result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            return false;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(output, packet) < 0)
            return false;
    }
}

} // namespace

bool HasAudioEncoder(const std::string& name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    return codec && PickFormat(codec) != AV_SAMPLE_FMT_NONE;
}

bool WriteTone(const std::string& path, const ToneSpec& spec, const std::string& muxerOptions) {
    const AVCodec* encoder = avcodec_find_encoder_by_name(spec.encoder.c_str());
    if (!encoder || PickFormat(encoder) == AV_SAMPLE_FMT_NONE)
        return false;
    AVFormatContext* rawOutput = nullptr;
    if (avformat_alloc_output_context2(&rawOutput, nullptr, spec.muxer.c_str(), path.c_str()) < 0)
        return false;
    OutputPtr output(rawOutput);
    CodecContextPtr codec(avcodec_alloc_context3(encoder));
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    if (!codec || !stream)
        return false;
    codec->sample_fmt = PickFormat(encoder);
    codec->sample_rate = spec.sampleRate;
    av_channel_layout_default(&codec->ch_layout, spec.channels);
    codec->bit_rate = 128000;
    codec->time_base = AVRational{1, spec.sampleRate};
    if (!StartEncodedFile(output.get(), stream, codec.get(), encoder, path, muxerOptions))
        return false;

    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!frame || !packet)
        return false;
    const int frameSize = codec->frame_size > 0 ? codec->frame_size : 1024;
    // Encoders that take only whole frames get the last one padded with silence.
    const bool shortLast =
        encoder->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const auto total = static_cast<int64_t>(spec.seconds * spec.sampleRate);
    for (int64_t done = 0; done < total; done += frameSize) {
        const auto toneSamples = static_cast<int>(std::min<int64_t>(frameSize, total - done));
        frame->nb_samples = shortLast ? toneSamples : frameSize;
        frame->format = codec->sample_fmt;
        frame->sample_rate = spec.sampleRate;
        if (av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout) < 0 ||
            av_frame_get_buffer(frame.get(), 0) < 0)
            return false;
        for (int i = 0; i < frame->nb_samples; ++i) {
            double phase =
                2.0 * std::numbers::pi * spec.frequency * static_cast<double>(done + i) / spec.sampleRate;
            for (int channel = 0; channel < spec.channels; ++channel)
                PutSample(frame.get(), spec.channels, i, channel,
                          i < toneSamples ? kToneAmplitude * std::sin(phase) : 0.0);
        }
        frame->pts = done;
        bool sent = avcodec_send_frame(codec.get(), frame.get()) >= 0;
        av_frame_unref(frame.get());
        if (!sent || !WritePackets(codec.get(), output.get(), stream, packet.get()))
            return false;
    }
    if (avcodec_send_frame(codec.get(), nullptr) < 0 ||
        !WritePackets(codec.get(), output.get(), stream, packet.get()))
        return false;
    return av_write_trailer(output.get()) >= 0;
}

} // namespace testsupport
