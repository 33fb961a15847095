// A configuration database in a fresh folder, opened as the core opens it
// (UTF-16 text, WAL journal), with a scanner whose tables live in it. The
// fake uploader takes any report a failing statement sends.
#pragma once

#include "client/library/FileScanner.h"
#include "include/crash/CrashReport.h"
#include "include/db/StatementHelpers.h"
#include "include/text/Utf8.h"
#include "platform/lib/sqlite/SqliteDb.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/library/ScanDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace testsupport {

class LibraryDb {
  public:
    static constexpr const wchar_t* kShare = L"/music";

    LibraryDb() {
        SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
        Open(db);
        StartScanner();
    }

    // Opens the database file on `handle` as the core does.
    void Open(platform::SqliteDb& handle) {
        EXPECT_EQ(SQLITE_OK, handle.Open(dir.File("mv.dat")));
        EXPECT_TRUE(ExecQuery(handle.Get(), "PRAGMA encoding = \"UTF-16\""));
        platform::SqliteStatement wal;
        EXPECT_EQ(SQLITE_OK, wal.Prepare(handle.Get(), "PRAGMA journal_mode=WAL"));
        EXPECT_EQ(SQLITE_ROW, wal.Step());
    }

    // A new scanner on the same database, as after a restart.
    void StartScanner() {
        scanner.reset();
        host.shares = {kShare};
        scanner = std::make_unique<FileScanner>(&host);
        EXPECT_TRUE(scanner->InitMetadataDb({kShare}, db.Get()));
    }

    // The first column of the first row of `sql`, read on its own connection
    // (so only committed rows count); -1 when there is none.
    int64_t CommittedValue(const std::string& sql) {
        platform::SqliteDb other;
        Open(other);
        platform::SqliteStatement query;
        if (query.Prepare(other.Get(), sql) != SQLITE_OK || query.Step() != SQLITE_ROW)
            return -1;
        return sqlite3_column_int64(query.Get(), 0);
    }

    // The same on this connection.
    int64_t Value(const std::string& sql) {
        platform::SqliteStatement query;
        if (query.Prepare(db.Get(), sql) != SQLITE_OK || query.Step() != SQLITE_ROW)
            return -1;
        return sqlite3_column_int64(query.Get(), 0);
    }

    MetadataTables& Tables() { return scanner->GetTables(); }

    TempDir dir;
    ScopedEnv helperOut{"MELVANE_FAKE_HELPER_OUT", dir.File("reports.txt")};
    CapturedLog log;
    StandInScanHost host;
    platform::SqliteDb db;
    std::unique_ptr<FileScanner> scanner;
};

} // namespace testsupport
