// Owns one SQLite connection (sqlite3*), closed when the owner goes. Results
// are SQLite's own codes; nothing logs.
#pragma once

#include <sqlite3.h>

#include <string>

namespace platform {

class SqliteDb {
  public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(SqliteDb&& other) noexcept;
    SqliteDb& operator=(SqliteDb&& other) noexcept;
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens the UTF-8 `path` (closing any connection held before). On a
    // result other than SQLITE_OK no connection is held.
    [[nodiscard]] int Open(const std::string& path, int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    void Close() noexcept;

    sqlite3* Get() const noexcept { return m_db; }
    bool IsOpen() const noexcept { return m_db != nullptr; }

  private:
    sqlite3* m_db = nullptr;
};

} // namespace platform
