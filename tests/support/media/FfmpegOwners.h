// Owners of the FFmpeg objects the media fixtures make when they write test
// files: an output file's format context (its file closed with it), an
// encoder context, a frame and a packet; and the common start of such a file.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>
#include <string>

namespace testsupport {

struct OutputFree {
    void operator()(AVFormatContext* context) const {
        if (context->pb)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

using OutputPtr = std::unique_ptr<AVFormatContext, OutputFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// Opens the configured encoder, gives its parameters to `stream`, creates the
// file at `path` and writes the container's header with the muxer's options
// ("name=value" pairs joined by ':'). False on any failure.
inline bool StartEncodedFile(AVFormatContext* output, AVStream* stream, AVCodecContext* codec,
                             const AVCodec* encoder, const std::string& path,
                             const std::string& muxerOptions = "") {
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(codec, encoder, nullptr) < 0 ||
        avcodec_parameters_from_context(stream->codecpar, codec) < 0)
        return false;
    stream->time_base = codec->time_base;
    if (avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
        return false;
    AVDictionary* options = nullptr;
    if (!muxerOptions.empty() && av_dict_parse_string(&options, muxerOptions.c_str(), "=", ":", 0) < 0) {
        av_dict_free(&options);
        return false;
    }
    const int result = avformat_write_header(output, &options);
    av_dict_free(&options);
    return result >= 0;
}

} // namespace testsupport
