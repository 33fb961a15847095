// What every benchmark program measures and prints: wall time, the peak
// resident memory of the process, and figures in one aligned column with
// their ratio to a reference time.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

class Stopwatch {
  public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

  private:
    std::chrono::steady_clock::time_point m_start;
};

// The process's peak resident set (VmHWM) in bytes; 0 when unknown.
uint64_t PeakResidentBytes();
// The process's resident set now (VmRSS) in bytes; 0 when unknown.
uint64_t ResidentBytes();

// The middle value (the mean of the two middle ones for an even count); 0
// for none.
double Median(std::vector<double> values);

// "<label>  <seconds> s" and, when `reference` is positive, the ratio to it;
// `extra` follows on the same line.
void PrintSeconds(const std::string& label, double seconds, double reference, const std::string& extra = "");
void PrintLine(const std::string& label, const std::string& value);

} // namespace bench
