#include "bench/support/BenchFigures.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace bench {

namespace {

constexpr int kLabelWidth = 24;

// A "<field>:  <n> kB" line of /proc/self/status, in bytes.
uint64_t StatusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) != 0)
            continue;
        std::istringstream fields(line.substr(field.size() + 1));
        uint64_t kib = 0;
        fields >> kib;
        return kib * 1024;
    }
    return 0;
}

} // namespace

uint64_t PeakResidentBytes() {
    return StatusBytes("VmHWM");
}

uint64_t ResidentBytes() {
    return StatusBytes("VmRSS");
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintSeconds(const std::string& label, double seconds, double reference, const std::string& extra) {
    char value[96];
    if (reference > 0)
        std::snprintf(value, sizeof value, "%10.3f s  %8.2fx stat walk", seconds, seconds / reference);
    else
        std::snprintf(value, sizeof value, "%10.3f s", seconds);
    PrintLine(label, extra.empty() ? value : std::string(value) + "  " + extra);
}

void PrintLine(const std::string& label, const std::string& value) {
    std::printf("%-*s %s\n", kLabelWidth, (label + ":").c_str(), value.c_str());
    std::fflush(stdout);
}

} // namespace bench
