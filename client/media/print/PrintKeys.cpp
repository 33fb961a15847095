#include "client/media/print/PrintKeys.h"

#include "client/media/print/PrintFilters.h"
#include "client/media/print/PrintSignal.h"
#include "client/media/print/Spectrogram.h"
#include "include/crash/Assert.h"

#include <cstdio>

bool FramesToFeatures(std::vector<double>& samples, std::vector<uint32_t>& keys) {
    keys.clear();
    NormalizeSamples(samples);
    std::vector<BandRow> rows;
    if (!ComputeBandEnergies(samples, rows))
        return false;
    const size_t numFrames = rows.size();
    MV_ASSERT(numFrames == kNumFrames);
    BuildIntegralImage(rows);
    ApplyFilters(FingerprintFilters(), rows, keys);
    return true;
}

void KeysToPrint(const std::vector<uint32_t>& keys, std::vector<PrintEntry>& print) {
    MV_ASSERT(keys.size() == 892);
    print.clear();
    print.reserve(keys.size());
    PrintEntry run{keys[0], 1};
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i] != run.key) {
            print.push_back(run);
            run = {keys[i], 1};
        } else {
            ++run.count;
        }
    }
    print.push_back(run);

    size_t sanity = print[0].count;
    for (size_t i = 1; i < print.size(); ++i) {
        MV_ASSERT(print[i].key != print[i - 1].key);
        sanity += print[i].count;
    }
    MV_ASSERT(sanity == keys.size());
}

std::string PrintToText(const std::vector<PrintEntry>& print) {
    std::string text;
    char entry[32];
    for (const PrintEntry& run : print) {
        const int length =
            std::snprintf(entry, sizeof entry, "%x-%x ", run.key, static_cast<unsigned>(run.count));
        text.append(entry, static_cast<size_t>(length));
    }
    return text;
}
