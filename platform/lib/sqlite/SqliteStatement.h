// Owns one prepared SQLite statement (sqlite3_stmt*), finalized when the owner
// goes. Binding and reading columns use the SQLite calls on Get(). Results are
// SQLite's own codes; nothing logs.
#pragma once

#include <sqlite3.h>

#include <string>

namespace platform {

class SqliteStatement {
  public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Prepares the first statement of `sql` (finalizing any held before). On
    // a result other than SQLITE_OK no statement is held; text without a
    // statement (empty, or only a comment) gives SQLITE_OK and none either.
    [[nodiscard]] int Prepare(sqlite3* db, const std::string& sql);
    // sqlite3_step.
    int Step() noexcept;
    // Finalizes the statement and returns sqlite3_finalize's result (the
    // error of the last step, if it failed); SQLITE_OK when none is held.
    int Finalize() noexcept;

    sqlite3_stmt* Get() const noexcept { return m_statement; }
    bool IsPrepared() const noexcept { return m_statement != nullptr; }

  private:
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace platform
