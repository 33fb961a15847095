#include "tests/support/ManualClock.h"

namespace testsupport {

ManualClock::ManualClock(int64_t wallMillis, uint64_t monotonicMs)
    : m_wallMillis(wallMillis), m_monotonicMs(monotonicMs) {
    platform::SetClockOverride(this);
}

ManualClock::~ManualClock() {
    platform::SetClockOverride(nullptr);
}

void ManualClock::Advance(int64_t millis) {
    m_wallMillis.fetch_add(millis);
    m_monotonicMs.fetch_add(static_cast<uint64_t>(millis));
}

} // namespace testsupport
