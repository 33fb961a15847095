// From normalised samples to keys, and from keys to the print and its text.
#pragma once

#include "client/media/print/PrintEntry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Keys of a full decode buffer: 992 frames less 50 at each end.
constexpr size_t kNumKeys = 892;

// Normalises the samples (in place), then the spectrogram, its integral
// image and the filters give one key per time step. False when the
// transform cannot be set up.
[[nodiscard]] bool FramesToFeatures(std::vector<double>& samples, std::vector<uint32_t>& keys);

// Run-length form of kNumKeys keys.
void KeysToPrint(const std::vector<uint32_t>& keys, std::vector<PrintEntry>& print);

// Each run as "<key>-<count> " in lower-case hexadecimal.
std::string PrintToText(const std::vector<PrintEntry>& print);
