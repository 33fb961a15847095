#include "client/media/print/PrintFilters.h"

#include "include/crash/Assert.h"

namespace {

// index, type, first band, bands, width, threshold: kept in this column order
// so the table reads as it was tuned.
struct FilterRow {
    uint32_t index;
    uint32_t type;
    uint32_t firstBand;
    uint32_t bandCount;
    uint32_t width;
    double threshold;
};

constexpr FilterRow kFilterTable[kNumFilters] = {
    {0, 5, 21, 10, 6, -3.12704e-08}, {1, 4, 17, 8, 2, 1.12686e-08},   {2, 5, 28, 4, 4, -2.9015e-10},
    {3, 4, 1, 30, 54, 9.79044e-05},  {4, 4, 16, 4, 54, 6.97567e-07},  {5, 4, 19, 10, 82, 1.36094e-06},
    {6, 4, 1, 14, 82, -8.38011e-08}, {7, 4, 24, 8, 54, 3.82863e-07},  {8, 4, 12, 6, 54, 1.08127e-06},
    {9, 4, 31, 1, 36, 1.04066e-08},  {10, 4, 17, 4, 54, 1.04961e-06}, {11, 4, 4, 14, 82, 1.36018e-05},
    {12, 4, 14, 6, 82, 4.1935e-07},  {13, 4, 18, 4, 82, 1.03427e-07}, {14, 5, 23, 9, 4, -2.74249e-09},
    {15, 4, 8, 8, 4, 2.36979e-07},   {16, 4, 12, 4, 82, 2.09239e-06}, {17, 4, 20, 6, 6, 3.71384e-08},
    {18, 4, 29, 1, 54, 4.56618e-08}, {19, 4, 22, 4, 82, 2.77183e-07}, {20, 4, 19, 4, 54, 7.83958e-07},
    {21, 4, 8, 4, 82, 6.35621e-07},  {22, 5, 27, 5, 4, -4.81389e-10}, {23, 2, 21, 1, 82, 2.70086e-07},
    {24, 6, 19, 4, 2, -1.2397e-07},  {25, 4, 13, 4, 82, 6.8463e-07},  {26, 6, 15, 8, 1, -6.8417e-06},
    {27, 6, 18, 4, 1, -2.50595e-07}, {28, 6, 13, 4, 2, -1.39547e-06}, {29, 4, 21, 10, 2, 4.79627e-09},
    {30, 6, 22, 4, 1, -6.17205e-08}, {31, 4, 15, 8, 82, 8.79159e-07},
};

std::array<FingerprintFilter, kNumFilters> MakeFilters() {
    std::array<FingerprintFilter, kNumFilters> filters{};
    for (size_t i = 0; i < kNumFilters; ++i) {
        const FilterRow& row = kFilterTable[i];
        filters[i] = {row.index, row.width, row.firstBand, row.bandCount, row.type, row.threshold};
    }
    return filters;
}

// The sum over frames 1..x and bands 1..y; 0 over no frames or no bands.
double G(const std::vector<BandRow>& image, int x, int y) {
    if (x <= 0 || y <= 0)
        return 0.0;
    return image[static_cast<size_t>(x - 1)][static_cast<size_t>(y - 1)];
}

} // namespace

const std::array<FingerprintFilter, kNumFilters>& FingerprintFilters() {
    static const std::array<FingerprintFilter, kNumFilters> filters = MakeFilters();
    return filters;
}

double FilterValue(const FingerprintFilter& filter, const std::vector<BandRow>& image, int t) {
    const double halfWidth = filter.width / 2.0;
    const int x1 = static_cast<int>(t - halfWidth - 1);
    const int x2 = static_cast<int>(t + halfWidth - 1);
    const int y = static_cast<int>(filter.firstBand);
    const int h = static_cast<int>(filter.bandCount);
    const int y0 = y - 1;
    const int y2 = y + h - 1;
    // A double division: with one band the split lies outside the box.
    const int ym = static_cast<int>(y + h / 2.0 + 0.5);
    const int xa = (x1 + t) / 2;
    const int xb = xa + (x2 - x1 + 1) / 2;
    const int ya = (y0 + ym) / 2;
    const int yb = ya + (y2 - y0) / 2;
    const int p = t - 1;
    auto g = [&image](int gx, int gy) { return G(image, gx, gy); };

    switch (filter.type) {
    case FT_BOX:
        return g(x2, y2) - g(x2, y0) - g(x1, y2) + g(x1, y0);
    case FT_TIME_HALVES:
        return g(x1, y0) - 2 * g(p, y0) + g(x2, y0) - g(x1, y2) + 2 * g(p, y2) - g(x2, y2);
    case FT_BAND_HALVES:
        return g(x1, y0) - g(x2, y0) - 2 * g(x1, ym) + 2 * g(x2, ym) + g(x1, y2) - g(x2, y2);
    case FT_QUADRANTS:
        return g(x1, y0) - 2 * g(p, y0) + g(x2, y0) - 2 * g(x1, ym) + 4 * g(p, ym) - 2 * g(x2, ym) +
               g(x1, y2) - 2 * g(p, y2) + g(x2, y2);
    case FT_TIME_THIRDS:
        return -g(x1, y0) + 2 * g(xa, y0) - 2 * g(xb, y0) + g(x2, y0) + g(x1, y2) - 2 * g(xa, y2) +
               2 * g(xb, y2) - g(x2, y2);
    case FT_BAND_THIRDS:
        return -g(x1, y0) + g(x2, y0) + 2 * g(x1, ya) - 2 * g(x2, ya) - 2 * g(x1, yb) + 2 * g(x2, yb) +
               g(x1, y2) - g(x2, y2);
    default:
        return 0.0;
    }
}

void ApplyFilters(std::span<const FingerprintFilter> filters, const std::vector<BandRow>& image,
                  std::vector<uint32_t>& keys) {
    MV_ASSERT(filters.size() > 0);
    const int numFrames = static_cast<int>(image.size());
    for (int t = kFirstKeyStep; t <= numFrames - kKeyStepMargin; ++t) {
        uint32_t key = 0;
        for (const FingerprintFilter& filter : filters) {
            if (FilterValue(filter, image, t) > filter.threshold)
                key |= 1u << filter.index;
        }
        keys.push_back(key);
    }
}
