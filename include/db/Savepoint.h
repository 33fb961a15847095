// Groups writes under a named savepoint so that they stand or fall together.
// A savepoint nests inside an open BEGIN ... END and, outside one, is a
// transaction of its own, so the same call is safe whether or not the scanner
// holds a transaction.
#pragma once

#include <sqlite3.h>

#include <functional>

// Runs `writes` under the savepoint `name` (a fixed identifier, never user
// text). When `writes` returns true the savepoint is released and its writes
// kept; otherwise, or when the release fails, it is rolled back to and
// released, undoing them and nothing written before it. True when the writes
// were kept. Nothing is written when the savepoint cannot be set.
[[nodiscard]] bool WriteUnderSavepoint(sqlite3* db, const char* name, const std::function<bool()>& writes);
