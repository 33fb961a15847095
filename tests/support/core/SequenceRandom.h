// A random source that repeats a given sequence; installed for its lifetime.
#pragma once

#include "client/core/RandomSource.h"

#include <cstdint>
#include <vector>

namespace testsupport {

class SequenceRandom final : public RandomSource {
  public:
    explicit SequenceRandom(std::vector<uint32_t> values) : m_values(std::move(values)) {
        SetRandomSourceOverride(this);
    }
    ~SequenceRandom() override { SetRandomSourceOverride(nullptr); }
    SequenceRandom(const SequenceRandom&) = delete;
    SequenceRandom& operator=(const SequenceRandom&) = delete;

    uint32_t Next() override {
        uint32_t value = m_values.empty() ? 0 : m_values[m_next % m_values.size()];
        ++m_next;
        return value;
    }

  private:
    std::vector<uint32_t> m_values;
    size_t m_next = 0;
};

} // namespace testsupport
