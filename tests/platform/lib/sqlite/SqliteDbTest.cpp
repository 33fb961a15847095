#include "platform/lib/sqlite/SqliteDb.h"
#include "platform/lib/sqlite/SqliteStatement.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <utility>

using platform::SqliteDb;
using platform::SqliteStatement;

TEST(SqliteDbTest, FailedOpenAndPrepareHoldNothing) {
    testsupport::TempDir dir;
    SqliteDb db;
    EXPECT_NE(SQLITE_OK, db.Open(dir.File("missing/folder/x.db")));
    EXPECT_FALSE(db.IsOpen());

    ASSERT_EQ(SQLITE_OK, db.Open(dir.File("x.db")));
    SqliteStatement statement;
    EXPECT_EQ(SQLITE_ERROR, statement.Prepare(db.Get(), "not sql"));
    EXPECT_FALSE(statement.IsPrepared());
    EXPECT_EQ(SQLITE_OK, statement.Prepare(db.Get(), "-- only a comment"));
    EXPECT_FALSE(statement.IsPrepared());
}

TEST(SqliteDbTest, OwnershipMovesWithTheHandle) {
    testsupport::TempDir dir;
    SqliteDb first;
    ASSERT_EQ(SQLITE_OK, first.Open(dir.File("x.db")));
    SqliteDb second = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    ASSERT_TRUE(second.IsOpen());

    SqliteStatement statement;
    ASSERT_EQ(SQLITE_OK, statement.Prepare(second.Get(), "select 7"));
    SqliteStatement moved;
    moved = std::move(statement);
    EXPECT_FALSE(statement.IsPrepared());
    ASSERT_EQ(SQLITE_ROW, moved.Step());
    EXPECT_EQ(7, sqlite3_column_int(moved.Get(), 0));
    EXPECT_EQ(SQLITE_DONE, moved.Step());
    EXPECT_EQ(SQLITE_OK, moved.Finalize());
    EXPECT_FALSE(moved.IsPrepared());
}
