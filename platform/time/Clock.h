// Process-wide clock: wall time, UTC time of day and a monotonic millisecond
// counter. Tests install their own Clock to drive time-outs and rollovers.
#pragma once

#include <cstdint>

namespace platform {

struct TimeOfDay {
    int hours;
    int minutes;
    int seconds;
    int millis;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since 1970 (UTC).
    virtual int64_t WallSeconds() = 0;
    // Milliseconds since 1970 (UTC).
    virtual int64_t WallMillis() = 0;
    // Milliseconds of a counter that never goes back and keeps counting while
    // the machine sleeps (the tick counter).
    virtual uint64_t MonotonicMs() = 0;
};

// The clock in force: the system clock unless a test installed another.
Clock& GetClock();
// Installs an override; nullptr restores the system clock. The override must
// outlive its installation.
void SetClockOverride(Clock* clock);

// Shorthands for GetClock().
inline int64_t WallSeconds() {
    return GetClock().WallSeconds();
}
inline uint64_t MonotonicMs() {
    return GetClock().MonotonicMs();
}
// Whole seconds of the monotonic counter, for time-outs counted in seconds.
inline int64_t MonotonicSeconds() {
    return static_cast<int64_t>(GetClock().MonotonicMs() / 1000);
}
// The system's monotonic counter whatever clock is installed: for waits on
// real processes and sockets, which a test's clock cannot speed up. Safe in a
// signal handler.
uint64_t SystemMonotonicMs() noexcept;
// Sleeps for real, resuming after signals. Safe in a signal handler.
void SleepMs(uint32_t ms) noexcept;

// Splits milliseconds since 1970 into a UTC time of day. Pure arithmetic, so
// it is safe inside a signal handler.
TimeOfDay UtcTimeOfDayFromMillis(int64_t wallMillis);

// The first local midnight strictly after `now` (seconds since 1970).
int64_t NextLocalMidnight(int64_t now);

} // namespace platform
