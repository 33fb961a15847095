#include "platform/lib/fftw/FftwPlan.h"

#include <climits>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

FftwComplexArray::FftwComplexArray(size_t count) noexcept
    : m_data(count > 0 ? fftw_alloc_complex(count) : nullptr), m_count(m_data ? count : 0) {}

FftwComplexArray::~FftwComplexArray() {
    if (m_data)
        fftw_free(m_data);
}

FftwComplexArray::FftwComplexArray(FftwComplexArray&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_count(std::exchange(other.m_count, 0)) {}

FftwComplexArray& FftwComplexArray::operator=(FftwComplexArray&& other) noexcept {
    if (this != &other) {
        if (m_data)
            fftw_free(m_data);
        m_data = std::exchange(other.m_data, nullptr);
        m_count = std::exchange(other.m_count, 0);
    }
    return *this;
}

FftwPlan::~FftwPlan() {
    if (m_plan) {
        std::lock_guard<std::mutex> hold(PlannerLock());
        fftw_destroy_plan(m_plan);
    }
}

FftwPlan::FftwPlan(FftwPlan&& other) noexcept : m_plan(std::exchange(other.m_plan, nullptr)) {}

FftwPlan& FftwPlan::operator=(FftwPlan&& other) noexcept {
    if (this != &other) {
        FftwPlan old(std::move(*this));
        m_plan = std::exchange(other.m_plan, nullptr);
    }
    return *this;
}

FftwPlan FftwPlan::Dft1d(FftwComplexArray& in, FftwComplexArray& out, int sign, unsigned flags) noexcept {
    FftwPlan plan;
    if (!in.IsValid() || !out.IsValid() || in.Count() != out.Count() || in.Count() > INT_MAX)
        return plan;
    std::lock_guard<std::mutex> hold(PlannerLock());
    plan.m_plan = fftw_plan_dft_1d(static_cast<int>(in.Count()), in.Get(), out.Get(), sign, flags);
    return plan;
}

void FftwPlan::Execute() const noexcept {
    if (m_plan)
        fftw_execute(m_plan);
}

} // namespace platform
