#include "bench/support/BenchDatabase.h"

#include "include/db/StatementHelpers.h"
#include "platform/lib/sqlite/SqliteStatement.h"

#include <filesystem>

namespace bench {

bool OpenFreshDatabase(const std::string& path, platform::SqliteDb& db) {
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path + suffix, ignored);
    if (db.Open(path) != SQLITE_OK || !ExecQuery(db.Get(), "PRAGMA encoding = \"UTF-16\"") ||
        !ExecQuery(db.Get(), "PRAGMA synchronous=NORMAL"))
        return false;
    platform::SqliteStatement wal;
    return wal.Prepare(db.Get(), "PRAGMA journal_mode=WAL") == SQLITE_OK && wal.Step() == SQLITE_ROW;
}

} // namespace bench
