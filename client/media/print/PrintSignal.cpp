#include "client/media/print/PrintSignal.h"

#include "include/crash/Assert.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSampleScale = 32767.0;
constexpr double kLoudnessFactor = 10.0;
constexpr double kMinScale = 0.1;
constexpr double kMaxScale = 3.0;

struct LeadOffsetStep {
    uint32_t belowSecs;
    uint32_t offsetSecs;
};
constexpr LeadOffsetStep kLeadOffsets[] = {{45, 0}, {120, 20}, {600, 60}};
constexpr uint32_t kLongSongOffsetSecs = 300;

} // namespace

int GetFingerprintSampleRate() {
    return kPrintSampleRate;
}

void SamplesToDoubles(const int16_t* samples, int channels, size_t count, std::vector<double>& out) {
    MV_ASSERT(channels == 1);
    out.resize(count / static_cast<size_t>(channels));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = samples[i] / kSampleScale;
}

bool LeadInSearch::Add(const double* samples, size_t count) {
    for (size_t k = 0; k < count && !m_found; ++k, ++m_count) {
        const double sample = samples[k];
        double& oldest = m_window[m_count % kLeadInWindow];
        if (m_count < kLeadInWindow) {
            m_sum += sample * sample;
        } else if (m_sum / kLeadInWindow > kLeadInMeanSquare) {
            m_found = true;
            m_leadIn = m_count - kLeadInWindow;
            break;
        } else {
            m_sum += sample * sample;
            m_sum -= oldest * oldest;
        }
        oldest = sample;
    }
    return m_found;
}

size_t LeadInSearch::Result() const {
    if (m_found)
        return m_leadIn;
    return m_count < kLeadInWindow ? 0 : m_count - kLeadInWindow;
}

size_t FindLeadIn(const std::vector<double>& samples) {
    LeadInSearch search;
    search.Add(samples.data(), samples.size());
    return search.Result();
}

uint32_t LeadOffsetForDuration(uint32_t printSecs) {
    for (const LeadOffsetStep& step : kLeadOffsets) {
        if (printSecs < step.belowSecs)
            return step.offsetSecs;
    }
    return kLongSongOffsetSecs;
}

void NormalizeSamples(std::vector<double>& samples) {
    if (samples.empty())
        return;
    double sumSquares = 0;
    for (double sample : samples)
        sumSquares += sample * sample;
    const double scale = std::clamp(
        kLoudnessFactor * std::sqrt(sumSquares / static_cast<double>(samples.size())), kMinScale, kMaxScale);
    for (double& sample : samples)
        sample = std::clamp(sample / scale, -1.0, 1.0);
}
