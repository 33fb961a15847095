// The registry's file: read, changed and written back under an exclusive
// lock on a companion lock file, through a temporary file renamed into
// place, so readers see the old or the new contents and concurrent
// registrations do not lose each other's keys.
#pragma once

#include "foldertree/registry/RegistryStore.h"

#include <functional>
#include <string>

namespace pgv {

// $PGROVE80_REGISTRY when set, else "pgrove80/registry" under the XDG data
// home; "" when the variable is relative or there is no data home.
std::string RegistryPath();

// Applies `change` to the store in `path` (created with its folder when
// missing); a path that is not absolute fails with ENOENT. The file is
// rewritten only when the contents changed. False with `*error` (an errno
// value) on failure.
[[nodiscard]] bool UpdateRegistryFile(const std::string& path,
                                      const std::function<void(RegistryStore&)>& change, int* error);

} // namespace pgv
