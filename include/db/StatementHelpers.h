// Running SQL statements that return no rows (tables, inserts, updates,
// deletes, transactions). A busy or locked database is waited out for up to
// 20 seconds at one-second intervals; any other failure is logged and
// returned at once, so that a full disk, a read-only or a damaged file leaves
// the caller to carry on without the write. Statements that return rows are
// stepped by their owners directly.
#pragma once

#include "platform/lib/sqlite/SqliteStatement.h"

#include <cstdint>
#include <functional>
#include <string>

// Prepares the first statement of `sql` and runs it with StepWithRetry. Text
// without a statement does nothing and succeeds.
[[nodiscard]] bool ExecQuery(sqlite3* db, const std::string& sql);

// Steps `statement` to completion, then finalizes it; the statement is used up
// in every case. True when it ran to completion. A step that yields a row
// counts as a failed attempt: these statements are not meant to return rows.
[[nodiscard]] bool StepWithRetry(platform::SqliteStatement statement);

// The same for a statement prepared once and run many times: afterwards it
// is reset and its bindings cleared, ready for the next run, whatever the
// outcome.
[[nodiscard]] bool StepReusedWithRetry(platform::SqliteStatement& statement);

// Binds `text` (UTF-8) as a copy; true on SQLITE_OK.
[[nodiscard]] bool BindUtf8(sqlite3_stmt* statement, int index, const std::string& text);
// A text column's UTF-8 bytes; "" for NULL.
std::string ColumnString(sqlite3_stmt* statement, int column);

// The pause between attempts, replaced by tests (which move an injected clock
// in it). An empty function restores the real pause. Set it before use.
using SqliteRetrySleeper = std::function<void(uint32_t milliseconds)>;
void SetSqliteRetrySleeper(SqliteRetrySleeper sleeper);
