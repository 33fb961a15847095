#include "include/net/RateCounter.h"

#include "platform/time/Clock.h"

#include <climits>

RateCounter::RateCounter(uint32_t window) : m_window(window) {}

void RateCounter::AddBytes(uint32_t count) {
    int64_t now = platform::MonotonicSeconds();
    if (!m_samples.empty() && m_samples.back().second == now)
        m_samples.back().bytes += count;
    else
        m_samples.push_back(RateSample{count, now});
    Trim(m_window);
}

bool RateCounter::GetRate(int& rate) const {
    rate = 0;
    if (!m_samples.empty()) {
        uint64_t sum = 0;
        for (const RateSample& sample : m_samples)
            sum += sample.bytes;
        int64_t span = m_samples.back().second - m_samples.front().second;
        if (span <= 0)
            span = 1;
        uint64_t perSecond = sum / static_cast<uint64_t>(span);
        rate = perSecond > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(perSecond);
    }
    return m_samples.size() >= m_window;
}

void RateCounter::Trim(size_t n) {
    while (m_samples.size() > n)
        m_samples.pop_front();
}

void RateCounter::Clear() {
    m_samples.clear();
}
