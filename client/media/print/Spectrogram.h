// The print's spectrogram: frames of 4096 samples every 128 samples under a
// sine window, their power in 33 log-spaced bands, and its integral image.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

constexpr int kFrameLength = 4096;
constexpr int kFrameHop = 128;
constexpr int kNumBands = 33;
// Band b covers FFT bins lo(b) + kFirstBandBin to hi(b) + kFirstBandBin.
constexpr int kFirstBandBin = 7;
// Frames of a full decode buffer: (131,072 - 4096) / 128.
constexpr int kNumFrames = 992;

// A band's first and last FFT bin, both inclusive; neighbours share a bin.
struct BandBins {
    int first;
    int last;
};
const std::array<BandBins, kNumBands>& BandEdges();

// sin(pi k / 4095) to 12 decimal places.
double WindowValue(int k);

using BandRow = std::array<double, kNumBands>;

// One row of band energies per frame: (count rounded down to a multiple of
// the hop - frame length) / hop rows. False when the transform cannot be set
// up.
[[nodiscard]] bool ComputeBandEnergies(const std::vector<double>& samples, std::vector<BandRow>& rows);

// In place: each cell becomes the sum of every cell at or before its frame
// and band.
void BuildIntegralImage(std::vector<BandRow>& rows);
