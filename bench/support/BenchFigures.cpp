#include "bench/support/BenchFigures.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace bench {

namespace {

constexpr int kLabelWidth = 24;

} // namespace

uint64_t PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) != 0)
            continue;
        std::istringstream fields(line.substr(6));
        uint64_t kib = 0;
        fields >> kib;
        return kib * 1024;
    }
    return 0;
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
