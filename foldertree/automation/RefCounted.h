// Reference counting for the objects of one module: the last Release deletes
// the object, and every live object keeps the module loaded.
#pragma once

#include "foldertree/automation/ModuleLock.h"

#include <atomic>
#include <cstdint>

namespace ax {

class RefCounted {
  public:
    RefCounted() { ModuleAddRef(); }
    virtual ~RefCounted() { ModuleRelease(); }
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

  protected:
    uint32_t AddRefImpl() { return m_refs.fetch_add(1) + 1; }
    // The references left; at 0 the caller deletes itself.
    uint32_t ReleaseImpl() { return m_refs.fetch_sub(1) - 1; }

  private:
    std::atomic<uint32_t> m_refs{1};
};

// The IUnknown counting members of a class derived from RefCounted. The
// object deletes itself as its own class: deleted through RefCounted, which
// need not start the object, g++ guesses RefCounted's own destructor on a
// path that never runs and warns (-Wfree-nonheap-object) of freeing a
// pointer inside the allocation.
#define AX_REFCOUNTED_MEMBERS                                                                                \
    uint32_t AddRef() override {                                                                             \
        return AddRefImpl();                                                                                 \
    }                                                                                                        \
    uint32_t Release() override {                                                                            \
        const uint32_t left = ReleaseImpl();                                                                 \
        if (left == 0)                                                                                       \
            delete this;                                                                                     \
        return left;                                                                                         \
    }

} // namespace ax
