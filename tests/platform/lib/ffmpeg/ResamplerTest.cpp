#include "platform/lib/ffmpeg/Resampler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The middle sample of a steady tone of 0.5 in the centre of a three-channel
// input (left, right, centre) mixed to mono S16, with the given mix or
// libswresample's own.
int MixedCentre(const double* matrix) {
    const AVChannelLayout surround = AV_CHANNEL_LAYOUT_SURROUND;
    const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    platform::Resampler resampler;
    EXPECT_EQ(
        0, resampler.Open({&surround, 11025, AV_SAMPLE_FMT_FLT}, {&mono, 11025, AV_SAMPLE_FMT_S16}, matrix));
    constexpr int kFrames = 4096;
    std::vector<float> in(3 * kFrames);
    for (int i = 0; i < kFrames; ++i)
        in[3 * i + 2] = 0.5f;
    std::vector<int16_t> out(kFrames);
    const uint8_t* inPlanes[] = {reinterpret_cast<const uint8_t*>(in.data())};
    uint8_t* outPlanes[] = {reinterpret_cast<uint8_t*>(out.data())};
    const int got = resampler.Convert(outPlanes, kFrames, inPlanes, kFrames);
    EXPECT_GT(got, kFrames / 2);
    return got > kFrames / 2 ? out[kFrames / 4] : 0;
}

} // namespace

TEST(ResamplerTest, AGivenMatrixReplacesTheDerivedMix) {
    const double thirds[] = {1.0 / 3, 1.0 / 3, 1.0 / 3};
    EXPECT_NEAR(0.5 / 3 * 32767, MixedCentre(thirds), 2);
    // The derived mix favours the centre.
    EXPECT_GT(MixedCentre(nullptr), 0.5 / 3 * 32767 + 500);
}
