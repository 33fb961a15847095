// Owners of the FFmpeg objects the media fixtures make when they write test
// files: an output file's format context (its file closed with it), an
// encoder context, a frame and a packet.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>

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

} // namespace testsupport
