// The blocks (item-id lists) the control hands to its host. A host sees a
// block as a number, the block's handle; handles are never reused, and a
// number that names no live block is refused rather than followed.
#pragma once

#include "foldertree/shell/ItemIdList.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace pgv {

class ShellAllocator {
  public:
    // The allocator of this module.
    static ShellAllocator& Instance();

    // Stores a copy of `list` and returns its new handle (never 0).
    uint64_t Store(const ItemIdList& list);
    // Copies the block of `handle` into `*list`; false for a handle that is
    // not alive.
    bool Find(uint64_t handle, ItemIdList* list) const;
    bool Free(uint64_t handle);
    size_t LiveCount() const;

  private:
    mutable std::mutex m_mutex;
    std::map<uint64_t, ItemIdList> m_blocks;
    uint64_t m_nextHandle = 1;
};

// A handle as it crosses the automation interface: an R8 holding a whole
// number. False for fractions, negatives and numbers beyond 2^53.
bool HandleFromR8(double value, uint64_t* handle);
inline double HandleToR8(uint64_t handle) {
    return static_cast<double>(handle);
}

} // namespace pgv
