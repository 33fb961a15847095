// A clock that tests move by hand; installed for its lifetime.
#pragma once

#include "platform/time/Clock.h"

#include <atomic>
#include <cstdint>

namespace testsupport {

class ManualClock final : public platform::Clock {
  public:
    explicit ManualClock(int64_t wallMillis = 1700000000000LL, uint64_t monotonicMs = 1000000);
    ~ManualClock() override;

    int64_t WallSeconds() override { return m_wallMillis.load() / 1000; }
    int64_t WallMillis() override { return m_wallMillis.load(); }
    uint64_t MonotonicMs() override { return m_monotonicMs.load(); }

    // Moves both clocks forward.
    void Advance(int64_t millis);
    void SetWallMillis(int64_t wallMillis) { m_wallMillis.store(wallMillis); }

  private:
    std::atomic<int64_t> m_wallMillis;
    std::atomic<uint64_t> m_monotonicMs;
};

} // namespace testsupport
