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
    uint32_t ReleaseImpl() {
        uint32_t left = m_refs.fetch_sub(1) - 1;
        if (left == 0)
            delete this;
        return left;
    }

  private:
    std::atomic<uint32_t> m_refs{1};
};

// The IUnknown counting members of a class derived from RefCounted.
#define AX_REFCOUNTED_MEMBERS                                                                                \
    uint32_t AddRef() override {                                                                             \
        return AddRefImpl();                                                                                 \
    }                                                                                                        \
    uint32_t Release() override {                                                                            \
        return ReleaseImpl();                                                                                \
    }

} // namespace ax
