// The fingerprint's pure steps on synthetic input: band edges, window,
// integral image, the filters against brute-force box sums, thresholds, the
// lead-in and lead offsets, normalisation and the run-length text.
#include "client/media/print/PrintFilters.h"
#include "client/media/print/PrintKeys.h"
#include "client/media/print/PrintSignal.h"
#include "client/media/print/Spectrogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

std::vector<BandRow> RandomImage(size_t frames, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> energy(0.0, 1.0);
    std::vector<BandRow> rows(frames);
    for (BandRow& row : rows) {
        for (double& cell : row)
            cell = energy(random);
    }
    return rows;
}

// Sum of the raw energies of frames [a, b) and bands [c, d), 0-based; a
// range given backwards counts negatively, as the integral-image terms do.
double BoxSum(const std::vector<BandRow>& raw, int a, int b, int c, int d) {
    if (a > b)
        return -BoxSum(raw, b, a, c, d);
    if (c > d)
        return -BoxSum(raw, a, b, d, c);
    double sum = 0;
    for (int f = a; f < b; ++f) {
        for (int band = c; band < d; ++band)
            sum += raw[f][band];
    }
    return sum;
}

} // namespace

TEST(PrintMathTest, BandsAreLogSpacedAndShareTheirEdgeBins) {
    const std::array<BandBins, kNumBands>& edges = BandEdges();
    const struct {
        int band, first, last;
    } cases[] = {{0, 7, 8}, {1, 8, 9}, {2, 9, 11}, {16, 107, 127}, {31, 1328, 1570}, {32, 1570, 1857}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.first, edges[c.band].first) << c.band;
        EXPECT_EQ(c.last, edges[c.band].last) << c.band;
    }
    for (int b = 1; b < kNumBands; ++b)
        EXPECT_EQ(edges[b - 1].last, edges[b].first) << b;
}

TEST(PrintMathTest, WindowIsASineRoundedToTwelveDecimals) {
    const struct {
        int k;
        double value;
    } cases[] = {{0, 0.0},
                 {1, 0.000767177618},
                 {100, 0.076642536238},
                 {1024, 0.707242387318},
                 {2047, 0.99999992643},
                 {4094, 0.000767177618},
                 {4095, 0.0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.value, WindowValue(c.k)) << c.k;
}

TEST(PrintMathTest, IntegralImageHoldsEverySumUpToItsCell) {
    const std::vector<BandRow> raw = RandomImage(9, 1);
    std::vector<BandRow> image = raw;
    BuildIntegralImage(image);
    for (int f = 0; f < 9; ++f) {
        for (int b = 0; b < kNumBands; ++b)
            EXPECT_NEAR(BoxSum(raw, 0, f + 1, 0, b + 1), image[f][b], 1e-9) << f << "," << b;
    }
}

TEST(PrintMathTest, EachFilterTypeIsItsBoxSums) {
    const std::vector<BandRow> raw = RandomImage(200, 2);
    std::vector<BandRow> image = raw;
    BuildIntegralImage(image);
    // Geometry worked out by hand: frames [x1, x2) split at p (or xa, xb),
    // bands [y0, y2) split at ym (or ya, yb). The one-band filters split
    // outside their box.
    const struct {
        FingerprintFilter filter;
        int t, x1, x2, split1, split2, y0, y2, ysplit1, ysplit2;
    } cases[] = {
        {{0, 10, 5, 7, FT_BOX, 0}, 60, 54, 64, 0, 0, 4, 11, 0, 0},
        {FingerprintFilters()[23], 100, 58, 140, 99, 0, 20, 21, 0, 0},
        {{0, 10, 5, 7, FT_BAND_HALVES, 0}, 60, 54, 64, 0, 0, 4, 11, 9, 0},
        {FingerprintFilters()[3], 60, 32, 86, 59, 0, 0, 30, 16, 0},
        {FingerprintFilters()[9], 60, 41, 77, 59, 0, 30, 31, 32, 0},
        {FingerprintFilters()[0], 60, 56, 62, 58, 61, 20, 30, 0, 0},
        {FingerprintFilters()[26], 60, 58, 59, 0, 0, 14, 22, 16, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.filter.type << " t " << c.t);
        auto box = [&](int a, int b, int y, int z) { return BoxSum(raw, a, b, y, z); };
        double expected = 0;
        switch (c.filter.type) {
        case FT_BOX:
            expected = box(c.x1, c.x2, c.y0, c.y2);
            break;
        case FT_TIME_HALVES:
            expected = box(c.x1, c.split1, c.y0, c.y2) - box(c.split1, c.x2, c.y0, c.y2);
            break;
        case FT_BAND_HALVES:
            expected = box(c.x1, c.x2, c.y0, c.ysplit1) - box(c.x1, c.x2, c.ysplit1, c.y2);
            break;
        case FT_QUADRANTS:
            expected = box(c.x1, c.split1, c.y0, c.ysplit1) - box(c.split1, c.x2, c.y0, c.ysplit1) -
                       box(c.x1, c.split1, c.ysplit1, c.y2) + box(c.split1, c.x2, c.ysplit1, c.y2);
            break;
        case FT_TIME_THIRDS:
            expected = box(c.split1, c.split2, c.y0, c.y2) - box(c.x1, c.split1, c.y0, c.y2) -
                       box(c.split2, c.x2, c.y0, c.y2);
            break;
        case FT_BAND_THIRDS:
            expected = box(c.x1, c.x2, c.ysplit1, c.ysplit2) - box(c.x1, c.x2, c.y0, c.ysplit1) -
                       box(c.x1, c.x2, c.ysplit2, c.y2);
            break;
        }
        EXPECT_NEAR(expected, FilterValue(c.filter, image, c.t), 1e-9);
    }
}

TEST(PrintMathTest, ABitIsSetOnlyAboveItsThreshold) {
    std::vector<BandRow> image = RandomImage(120, 3);
    BuildIntegralImage(image);
    FingerprintFilter filter{0, 10, 5, 7, FT_TIME_HALVES, 0};
    const double value = FilterValue(filter, image, kFirstKeyStep);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double threshold;
        uint32_t bit;
    } cases[] = {{value, 0}, {std::nextafter(value, -1e9), 1}, {std::nextafter(value, 1e9), 0}};
    for (const auto& c : cases) {
        filter.threshold = c.threshold;
        std::vector<uint32_t> keys;
        ApplyFilters({&filter, 1}, image, keys);
        ASSERT_EQ(120u - 100u, keys.size());
        EXPECT_EQ(c.bit, keys[0] & 1u) << c.threshold;
    }
    image[60][10] = nan;
    BuildIntegralImage(image);
    filter.threshold = -1e300;
    std::vector<uint32_t> keys;
    ApplyFilters({&filter, 1}, image, keys);
    EXPECT_EQ(1u, keys.front() & 1u);
    EXPECT_EQ(0u, keys.back() & 1u);
}

TEST(PrintMathTest, SilenceGivesEveryStepTheBitsOfTheNegativeThresholds) {
    std::vector<BandRow> silence(kNumFrames, BandRow{});
    std::vector<uint32_t> keys;
    ApplyFilters(FingerprintFilters(), silence, keys);
    ASSERT_EQ(kNumKeys, keys.size());
    const uint32_t negative = (1u << 0) | (1u << 2) | (1u << 6) | (1u << 14) | (1u << 22) | (1u << 24) |
                              (1u << 26) | (1u << 27) | (1u << 28) | (1u << 30);
    for (uint32_t key : keys)
        ASSERT_EQ(negative, key);
}

TEST(PrintMathTest, LeadInIsWhereTheSoundStarts) {
    std::vector<double> toneAfterSilence(2 * kPrintSampleRate, 0.0);
    for (int i = 0; i < kPrintSampleRate; ++i)
        toneAfterSilence.push_back(0.5 * std::sin(i * 0.25));
    EXPECT_NEAR(22050.0, static_cast<double>(FindLeadIn(toneAfterSilence)), 50.0);
    EXPECT_EQ(kPrintSamples - 50, FindLeadIn(std::vector<double>(kPrintSamples, 0.0)));
    EXPECT_EQ(0u, FindLeadIn(std::vector<double>(49, 0.5)));
    EXPECT_EQ(0u, FindLeadIn(std::vector<double>(100, 0.5)));
}

TEST(PrintMathTest, LeadOffsetGrowsWithTheSong) {
    const struct {
        uint32_t secs, offset;
    } cases[] = {{0, 0}, {44, 0}, {45, 20}, {119, 20}, {120, 60}, {599, 60}, {600, 300}, {7200, 300}};
    for (const auto& c : cases)
        EXPECT_EQ(c.offset, LeadOffsetForDuration(c.secs)) << c.secs;
}

TEST(PrintMathTest, SamplesAreScaledByLoudnessWithinItsLimitsThenClipped) {
    const int16_t lowest = -32768;
    std::vector<double> doubles;
    SamplesToDoubles(&lowest, 1, 1, doubles);
    ASSERT_EQ(1u, doubles.size());
    EXPECT_LT(doubles[0], -1.0);

    const struct {
        std::vector<double> in, out;
    } cases[] = {
        {{0.001, -0.001}, {0.01, -0.01}},   // quiet: the scale stays 0.1
        {{0.05, -0.05}, {0.1, -0.1}},       // scale 0.5
        {{1.0, -1.0}, {1.0 / 3, -1.0 / 3}}, // loud: the scale stays 3.0
    };
    for (const auto& c : cases) {
        std::vector<double> samples = c.in;
        NormalizeSamples(samples);
        for (size_t i = 0; i < samples.size(); ++i)
            EXPECT_NEAR(c.out[i], samples[i], 1e-12) << c.in[0];
    }
    // A spike among silence: the scale is about 0.16, so -0.3 is clipped.
    std::vector<double> spike(400, 0.0);
    spike[0] = -0.3;
    spike[1] = 0.1;
    NormalizeSamples(spike);
    EXPECT_EQ(-1.0, spike[0]);
    EXPECT_NEAR(0.1 / std::sqrt(0.1 / 400) / 10, spike[1], 1e-12);
}

TEST(PrintMathTest, KeysBecomeRunsAndTheirText) {
    const struct {
        std::vector<std::pair<uint32_t, size_t>> runs;
        std::string text;
    } cases[] = {
        {{{0x1234abcd, 892}}, "1234abcd-37c "},
        {{{0x2a, 3}, {0x10, 1}, {0xff, 888}}, "2a-3 10-1 ff-378 "},
        {{{0, 1}, {0xffffffff, 890}, {0, 1}}, "0-1 ffffffff-37a 0-1 "},
    };
    for (const auto& c : cases) {
        std::vector<uint32_t> keys;
        for (const auto& [key, count] : c.runs)
            keys.insert(keys.end(), count, key);
        std::vector<PrintEntry> print;
        KeysToPrint(keys, print);
        ASSERT_EQ(c.runs.size(), print.size());
        EXPECT_EQ(c.text, PrintToText(print));
    }
}
