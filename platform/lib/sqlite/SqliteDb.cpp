#include "platform/lib/sqlite/SqliteDb.h"

#include <utility>

namespace platform {

SqliteDb::~SqliteDb() {
    Close();
}

SqliteDb::SqliteDb(SqliteDb&& other) noexcept : m_db(std::exchange(other.m_db, nullptr)) {}

SqliteDb& SqliteDb::operator=(SqliteDb&& other) noexcept {
    if (this != &other) {
        Close();
        m_db = std::exchange(other.m_db, nullptr);
    }
    return *this;
}

int SqliteDb::Open(const std::string& path, int flags) {
    Close();
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (result != SQLITE_OK) {
        // SQLite hands back a connection even when opening fails.
        sqlite3_close_v2(db);
        return result;
    }
    m_db = db;
    return SQLITE_OK;
}

void SqliteDb::Close() noexcept {
    // close_v2 defers the close until statements still open are finalized.
    sqlite3_close_v2(std::exchange(m_db, nullptr));
}

} // namespace platform
