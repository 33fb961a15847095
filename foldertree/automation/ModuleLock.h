// Counts the objects and server locks alive in this module, so the module
// can tell its host whether it may be unloaded.
#pragma once

#include <cstdint>

namespace ax {

void ModuleAddRef();
void ModuleRelease();
int32_t ModuleLockCount();

} // namespace ax
