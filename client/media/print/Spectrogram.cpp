#include "client/media/print/Spectrogram.h"

#include "platform/lib/fftw/FftwPlan.h"

#include <cmath>
#include <numbers>

namespace {

// The bands span 1 to 250 times the first band's width, on a log scale.
constexpr double kBandRange = 250.0;
// 20 x 4096 / 11025 as single precision: the bins per unit of the scale.
constexpr double kBinsPerStep = 7.430385589599609;
constexpr double kWindowDecimals = 1e12;
// Transform outputs are divided by half the frame length.
constexpr double kOutputScale = kFrameLength / 2;

std::array<BandBins, kNumBands> MakeBandEdges() {
    const double base = std::exp(std::log(kBandRange) / kNumBands);
    std::array<BandBins, kNumBands> edges{};
    for (int b = 0; b < kNumBands; ++b) {
        const int lo = static_cast<int>((std::pow(base, b) - 1.0) * kBinsPerStep);
        const int hi = static_cast<int>((std::pow(base, b + 1) - 1.0) * kBinsPerStep);
        edges[b] = {lo + kFirstBandBin, hi + kFirstBandBin};
    }
    return edges;
}

std::array<double, kFrameLength> MakeWindow() {
    std::array<double, kFrameLength> window{};
    for (int k = 0; k < kFrameLength; ++k)
        window[k] = std::round(std::sin(std::numbers::pi * k / (kFrameLength - 1)) * kWindowDecimals) /
                    kWindowDecimals;
    return window;
}

const std::array<double, kFrameLength>& Window() {
    static const std::array<double, kFrameLength> window = MakeWindow();
    return window;
}

} // namespace

const std::array<BandBins, kNumBands>& BandEdges() {
    static const std::array<BandBins, kNumBands> edges = MakeBandEdges();
    return edges;
}

double WindowValue(int k) {
    return Window()[k];
}

bool ComputeBandEnergies(const std::vector<double>& samples, std::vector<BandRow>& rows) {
    rows.clear();
    const size_t usable = samples.size() / kFrameHop * kFrameHop;
    if (usable < static_cast<size_t>(kFrameLength))
        return true;
    const size_t numFrames = (usable - kFrameLength) / kFrameHop;

    platform::FftwComplexArray in(kFrameLength);
    platform::FftwComplexArray out(kFrameLength);
    platform::FftwPlan plan = platform::FftwPlan::Dft1d(in, out, FFTW_FORWARD, FFTW_ESTIMATE);
    if (!plan.IsValid())
        return false;

    const std::array<double, kFrameLength>& window = Window();
    const std::array<BandBins, kNumBands>& edges = BandEdges();
    rows.resize(numFrames);
    for (size_t f = 0; f < numFrames; ++f) {
        const double* frame = samples.data() + f * kFrameHop;
        fftw_complex* input = in.Get();
        for (int k = 0; k < kFrameLength; ++k) {
            input[k][0] = window[k] * frame[k];
            input[k][1] = 0.0;
        }
        plan.Execute();
        const fftw_complex* output = out.Get();
        for (int b = 0; b < kNumBands; ++b) {
            double sum = 0;
            for (int bin = edges[b].first; bin <= edges[b].last; ++bin) {
                const double re = output[bin][0] / kOutputScale;
                const double im = output[bin][1] / kOutputScale;
                sum += re * re + im * im;
            }
            rows[f][b] = sum / (edges[b].last - edges[b].first + 1);
        }
    }
    return true;
}

void BuildIntegralImage(std::vector<BandRow>& rows) {
    for (size_t f = 1; f < rows.size(); ++f)
        rows[f][0] += rows[f - 1][0];
    if (rows.empty())
        return;
    for (int b = 1; b < kNumBands; ++b)
        rows[0][b] += rows[0][b - 1];
    for (size_t f = 1; f < rows.size(); ++f) {
        for (int b = 1; b < kNumBands; ++b)
            rows[f][b] = rows[f - 1][b] + rows[f][b - 1] - rows[f - 1][b - 1] + rows[f][b];
    }
}
