// Owners of FFTW's aligned complex arrays and of one transform plan. Plans
// are made under a lock of their own: FFTW's planner is not thread-safe,
// while executing different plans at once is.
#pragma once

#include <fftw3.h>

#include <cstddef>

namespace platform {

class FftwComplexArray {
  public:
    FftwComplexArray() = default;
    // `count` complex values from fftw_malloc; IsValid() tells whether it
    // worked.
    explicit FftwComplexArray(size_t count) noexcept;
    ~FftwComplexArray();
    FftwComplexArray(FftwComplexArray&& other) noexcept;
    FftwComplexArray& operator=(FftwComplexArray&& other) noexcept;
    FftwComplexArray(const FftwComplexArray&) = delete;
    FftwComplexArray& operator=(const FftwComplexArray&) = delete;

    bool IsValid() const noexcept { return m_data != nullptr; }
    fftw_complex* Get() const noexcept { return m_data; }
    size_t Count() const noexcept { return m_count; }

  private:
    fftw_complex* m_data = nullptr;
    size_t m_count = 0;
};

class FftwPlan {
  public:
    FftwPlan() = default;
    ~FftwPlan();
    FftwPlan(FftwPlan&& other) noexcept;
    FftwPlan& operator=(FftwPlan&& other) noexcept;
    FftwPlan(const FftwPlan&) = delete;
    FftwPlan& operator=(const FftwPlan&) = delete;

    // A one-dimensional complex transform of `in`'s length from `in` to
    // `out` (fftw_plan_dft_1d); the arrays must outlive the plan. An invalid
    // plan when the arrays differ in length or FFTW refuses.
    [[nodiscard]] static FftwPlan Dft1d(FftwComplexArray& in, FftwComplexArray& out, int sign,
                                        unsigned flags) noexcept;

    bool IsValid() const noexcept { return m_plan != nullptr; }
    // Runs the transform on the arrays given when planning.
    void Execute() const noexcept;

  private:
    fftw_plan m_plan = nullptr;
};

} // namespace platform
