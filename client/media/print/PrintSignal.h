// The signal steps before the spectrogram: 16-bit samples as doubles, the
// silence at the start (lead-in), where in a song the print starts, and the
// loudness normalisation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The print works on mono audio at this rate.
constexpr int kPrintSampleRate = 11025;
// The decode target: 131,072 mono 16-bit samples (262,144 bytes).
constexpr size_t kPrintSamples = 131072;
constexpr size_t kPrintBufferBytes = kPrintSamples * 2;

// The lead-in ends at the first run of this many samples whose mean square
// is above kLeadInMeanSquare.
constexpr size_t kLeadInWindow = 50;
constexpr double kLeadInMeanSquare = 0.00001;

int GetFingerprintSampleRate();

// Each sample / 32767.0; `channels` must be 1.
void SamplesToDoubles(const int16_t* samples, int channels, size_t count, std::vector<double>& out);

// The lead-in found while samples arrive, so a decode can stop as soon as
// the sound begins: later samples cannot change the answer.
class LeadInSearch {
  public:
    // Takes the next samples in order; true once the lead-in is known.
    bool Add(const double* samples, size_t count);
    bool Found() const { return m_found; }
    // The lead-in once found; otherwise 0 for fewer than 50 samples and the
    // count - 50 when no window qualified.
    size_t Result() const;

  private:
    double m_sum = 0;
    // The last kLeadInWindow samples, by index modulo the window.
    double m_window[kLeadInWindow] = {};
    size_t m_count = 0;
    bool m_found = false;
    size_t m_leadIn = 0;
};

// The index where the sound begins (see kLeadInWindow): 0 for fewer than 50
// samples, the count - 50 when no window qualifies.
size_t FindLeadIn(const std::vector<double>& samples);

// Seconds skipped into a song of `printSecs` before the print starts.
uint32_t LeadOffsetForDuration(uint32_t printSecs);

// Divides by 10 x the root mean square (kept within 0.1 to 3.0), then limits
// every sample to -1.0 .. 1.0.
void NormalizeSamples(std::vector<double>& samples);
