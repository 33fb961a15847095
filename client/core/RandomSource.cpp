#include "client/core/RandomSource.h"

#include <atomic>
#include <mutex>
#include <random>

namespace {

class DefaultRandomSource final : public RandomSource {
  public:
    uint32_t Next() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return static_cast<uint32_t>(m_engine());
    }
    void Seed(uint32_t seed) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_engine.seed(seed);
    }

  private:
    std::mutex m_mutex;
    std::minstd_rand m_engine;
};

DefaultRandomSource& DefaultSource() {
    static DefaultRandomSource source;
    return source;
}

std::atomic<RandomSource*> g_randomOverride{nullptr};

} // namespace

RandomSource& GetRandomSource() {
    RandomSource* source = g_randomOverride.load(std::memory_order_acquire);
    return source ? *source : DefaultSource();
}

void SetRandomSourceOverride(RandomSource* source) {
    g_randomOverride.store(source, std::memory_order_release);
}

void SeedRandomSource(uint32_t seed) {
    DefaultSource().Seed(seed);
}
