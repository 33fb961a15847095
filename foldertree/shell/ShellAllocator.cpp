#include "foldertree/shell/ShellAllocator.h"

#include <cmath>

namespace pgv {
namespace {

constexpr double kLargestExactR8 = 9007199254740992.0; // 2^53

} // namespace

ShellAllocator& ShellAllocator::Instance() {
    static ShellAllocator allocator;
    return allocator;
}

uint64_t ShellAllocator::Store(const ItemIdList& list) {
    std::lock_guard<std::mutex> lock(m_mutex);
    uint64_t handle = m_nextHandle++;
    m_blocks.emplace(handle, list);
    return handle;
}

bool ShellAllocator::Find(uint64_t handle, ItemIdList* list) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_blocks.find(handle);
    if (it == m_blocks.end())
        return false;
    *list = it->second;
    return true;
}

bool ShellAllocator::Free(uint64_t handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_blocks.erase(handle) > 0;
}

size_t ShellAllocator::LiveCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_blocks.size();
}

bool HandleFromR8(double value, uint64_t* handle) {
    if (!(value >= 0) || value > kLargestExactR8 || std::floor(value) != value)
        return false;
    *handle = static_cast<uint64_t>(value);
    return true;
}

} // namespace pgv
