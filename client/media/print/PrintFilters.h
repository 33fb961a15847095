// The 32 box filters over the spectrogram's integral image; each gives one
// bit of a time step's key.
#pragma once

#include "client/media/print/Spectrogram.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The filter shapes: 1 the whole box; 2 earlier minus later half in time;
// 3 lower minus upper bands; 4 the checkerboard of both; 5 the middle time
// part minus the outer parts; 6 the middle bands minus the outer bands.
enum FilterType : uint32_t {
    FT_BOX = 1,
    FT_TIME_HALVES = 2,
    FT_BAND_HALVES = 3,
    FT_QUADRANTS = 4,
    FT_TIME_THIRDS = 5,
    FT_BAND_THIRDS = 6,
};

struct FingerprintFilter {
    uint32_t index;     // bit number in the key
    uint32_t width;     // time steps
    uint32_t firstBand; // 1-based
    uint32_t bandCount;
    uint32_t type; // FilterType
    double threshold;
};

constexpr size_t kNumFilters = 32;
// Keys are made for steps 51 .. frames - 50: 892 of 992 frames.
constexpr int kFirstKeyStep = 51;
constexpr int kKeyStepMargin = 50;

const std::array<FingerprintFilter, kNumFilters>& FingerprintFilters();

// The filter's value at time step t (1-based) of the integral image.
double FilterValue(const FingerprintFilter& filter, const std::vector<BandRow>& image, int t);

// One key per time step; bit i is set when filter i's value is strictly above
// its threshold (a NaN value leaves it clear).
void ApplyFilters(std::span<const FingerprintFilter> filters, const std::vector<BandRow>& image,
                  std::vector<uint32_t>& keys);
