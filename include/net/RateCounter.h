// A byte rate in bytes per second over a window of per-second samples, timed
// by the monotonic clock so that wall-clock jumps cannot skew it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

struct RateSample {
    uint64_t bytes; // summed in 64 bits: a busy second cannot wrap
    int64_t second; // monotonic seconds
};

class RateCounter {
  public:
    explicit RateCounter(uint32_t window);

    void AddBytes(uint32_t count);
    // rate = the bytes of all samples / the seconds between the oldest and the
    // newest (at least 1), never negative. True once the window is full.
    bool GetRate(int& rate) const;
    // Drops the oldest samples until at most n remain.
    void Trim(size_t n);
    void Clear();

  private:
    uint32_t m_window;
    std::deque<RateSample> m_samples; // oldest first
};
