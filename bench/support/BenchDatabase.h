// A fresh configuration database for the benchmarks that scan.
#pragma once

#include "platform/lib/sqlite/SqliteDb.h"

#include <string>

namespace bench {

// Deletes any database at `path` (with its journal files) and opens a new
// one as the program opens its own: UTF-16, WAL, synchronous NORMAL.
bool OpenFreshDatabase(const std::string& path, platform::SqliteDb& db);

} // namespace bench
