#include "platform/time/Clock.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace platform {
namespace {

class SystemClock final : public Clock {
  public:
    int64_t WallSeconds() override { return WallMillis() / 1000; }

    int64_t WallMillis() override {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }

    uint64_t MonotonicMs() override { return SystemMonotonicMs(); }
};

// Never destroyed: threads that outlive main still ask for the time.
SystemClock& TheSystemClock() {
    static auto* clock = new SystemClock;
    return *clock;
}

std::atomic<Clock*> g_override{nullptr};

} // namespace

uint64_t SystemMonotonicMs() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec / 1000000);
}

void SleepMs(uint32_t ms) noexcept {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

Clock& GetClock() {
    Clock* clock = g_override.load(std::memory_order_acquire);
    return clock ? *clock : TheSystemClock();
}

void SetClockOverride(Clock* clock) {
    g_override.store(clock, std::memory_order_release);
}

TimeOfDay UtcTimeOfDayFromMillis(int64_t wallMillis) {
    constexpr int64_t kMillisPerDay = 86400LL * 1000;
    int64_t ofDay = wallMillis % kMillisPerDay;
    if (ofDay < 0)
        ofDay += kMillisPerDay;
    TimeOfDay t{};
    t.millis = static_cast<int>(ofDay % 1000);
    int64_t secs = ofDay / 1000;
    t.seconds = static_cast<int>(secs % 60);
    t.minutes = static_cast<int>((secs / 60) % 60);
    t.hours = static_cast<int>(secs / 3600);
    return t;
}

int64_t NextLocalMidnight(int64_t now) {
    time_t t = static_cast<time_t>(now);
    tm local{};
    localtime_r(&t, &local);
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_mday += 1;
    local.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&local));
}

} // namespace platform
