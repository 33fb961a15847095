#include "platform/lib/ffmpeg/CodecContext.h"

#include <gtest/gtest.h>

TEST(CodecContextTest, ADecoderOpensWithTheThreadCountAsked) {
    // FLAC decodes frames on several threads when left to choose.
    AVCodecParameters* parameters = avcodec_parameters_alloc();
    ASSERT_NE(nullptr, parameters);
    parameters->codec_type = AVMEDIA_TYPE_AUDIO;
    parameters->codec_id = AV_CODEC_ID_FLAC;
    parameters->sample_rate = 44100;
    parameters->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
    platform::CodecContext decoder;
    const int opened = decoder.OpenDecoder(parameters, 1);
    avcodec_parameters_free(&parameters);
    ASSERT_EQ(0, opened);
    EXPECT_EQ(1, decoder.Get()->thread_count);
    EXPECT_EQ(0, decoder.Get()->active_thread_type);
}
