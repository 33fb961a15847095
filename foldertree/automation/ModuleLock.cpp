#include "foldertree/automation/ModuleLock.h"

#include <atomic>

namespace ax {
namespace {

std::atomic<int32_t> g_moduleLocks{0};

} // namespace

void ModuleAddRef() {
    g_moduleLocks.fetch_add(1);
}

void ModuleRelease() {
    g_moduleLocks.fetch_sub(1);
}

int32_t ModuleLockCount() {
    return g_moduleLocks.load();
}

} // namespace ax
