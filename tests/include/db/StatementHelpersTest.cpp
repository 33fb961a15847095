#include "include/db/StatementHelpers.h"

#include "include/crash/CrashReport.h"
#include "include/text/Utf8.h"
#include "platform/lib/sqlite/SqliteDb.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using platform::SqliteDb;

namespace {

int CountOf(const std::string& text, const std::string& piece) {
    int count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

class StatementHelpersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
        ASSERT_EQ(SQLITE_OK, m_db.Open(m_dir.File("test.db")));
        ASSERT_TRUE(ExecQuery(m_db.Get(), "create table t (k integer primary key, v text)"));
        // Each pause moves the clock on by its length and gives the test a
        // chance to act.
        SetSqliteRetrySleeper([this](uint32_t ms) {
            ++m_pauses;
            m_clock.Advance(ms);
            if (m_onPause)
                m_onPause(m_pauses);
        });
    }
    void TearDown() override { SetSqliteRetrySleeper(nullptr); }

    // A second connection that holds the write lock until it commits.
    void LockFromOtherConnection() {
        ASSERT_EQ(SQLITE_OK, m_other.Open(m_dir.File("test.db")));
        ASSERT_TRUE(ExecQuery(m_other.Get(), "begin immediate"));
    }

    std::string Reports() { return testsupport::ReadFileText(m_dir.File("reports.txt")); }

    testsupport::TempDir m_dir;
    testsupport::ScopedEnv m_helperOut{"MELVANE_FAKE_HELPER_OUT", m_dir.File("reports.txt")};
    testsupport::ManualClock m_clock;
    testsupport::CapturedLog m_log;
    SqliteDb m_db;
    SqliteDb m_other;
    int m_pauses = 0;
    std::function<void(int)> m_onPause;
};

} // namespace

TEST_F(StatementHelpersTest, ImmediateSuccessIsSilent) {
    EXPECT_TRUE(ExecQuery(m_db.Get(), "insert into t (v) values ('a')"));
    platform::SqliteStatement statement;
    ASSERT_EQ(SQLITE_OK, statement.Prepare(m_db.Get(), "insert into t (v) values (?)"));
    sqlite3_bind_text(statement.Get(), 1, "b", -1, SQLITE_TRANSIENT);
    EXPECT_TRUE(StepWithRetry(std::move(statement)));
    EXPECT_TRUE(ExecQuery(m_db.Get(), "")) << "text without a statement does nothing";

    EXPECT_EQ(0, m_pauses);
    EXPECT_FALSE(m_log.Contains("Sqlite")) << m_log.Text();
    EXPECT_EQ("", Reports());
    EXPECT_EQ(2, sqlite3_total_changes(m_db.Get()));
}

TEST_F(StatementHelpersTest, BusyDatabaseIsWaitedOutAndTheRecoveryReported) {
    LockFromOtherConnection();
    m_onPause = [this](int pause) {
        if (pause == 2) {
            EXPECT_TRUE(ExecQuery(m_other.Get(), "commit"));
        }
    };
    EXPECT_TRUE(ExecQuery(m_db.Get(), "insert into t (v) values ('a')"));

    EXPECT_EQ(2, m_pauses);
    std::string log = m_log.Text();
    EXPECT_EQ(1, CountOf(log, "(INFO): Sqlite returned 5, attempt 1\n")) << log;
    EXPECT_EQ(1, CountOf(log, "(INFO): Sqlite returned 5, attempt 2\n"));
    EXPECT_EQ(1, CountOf(log, "(INFO): Sqlite recovered after 2 errors\n"));
    EXPECT_EQ(1, CountOf(Reports(), "Report: Sqlite Recovered\n")) << Reports();
    EXPECT_EQ(1, sqlite3_total_changes(m_db.Get()));
}

TEST_F(StatementHelpersTest, LockHeldPastTwentySecondsFailsWithoutEndingTheProcess) {
    LockFromOtherConnection();
    EXPECT_FALSE(ExecQuery(m_db.Get(), "insert into t (v) values ('a')"));
    EXPECT_EQ(20, m_pauses);
    EXPECT_TRUE(m_log.Contains("(CRIT): Sqlite statement failed with 5 after 20 attempts")) << m_log.Text();
    EXPECT_FALSE(m_log.Contains("recovered"));

    // Once the lock is gone the same connection writes again.
    EXPECT_TRUE(ExecQuery(m_other.Get(), "commit"));
    EXPECT_TRUE(ExecQuery(m_db.Get(), "insert into t (v) values ('b')"));
}

TEST_F(StatementHelpersTest, WallClockStepsNeitherShortenNorStretchTheWait) {
    for (int64_t step : {-60000LL, 6 * 3600 * 1000LL}) {
        LockFromOtherConnection();
        m_pauses = 0;
        m_onPause = [this, step](int pause) {
            if (pause == 1)
                m_clock.SetWallMillis(m_clock.WallMillis() + step);
        };
        EXPECT_FALSE(ExecQuery(m_db.Get(), "insert into t (v) values ('a')"));
        EXPECT_EQ(20, m_pauses) << "wall clock step " << step;
        EXPECT_TRUE(ExecQuery(m_other.Get(), "commit"));
    }
}

TEST_F(StatementHelpersTest, RowFromAStatementCountsAsAFailedAttempt) {
    EXPECT_TRUE(ExecQuery(m_db.Get(), "select 1"));
    EXPECT_EQ(1, m_pauses);
    EXPECT_TRUE(m_log.Contains("(INFO): Sqlite returned 100, attempt 1\n")) << m_log.Text();
    EXPECT_TRUE(m_log.Contains("(INFO): Sqlite recovered after 1 errors\n"));
}

TEST_F(StatementHelpersTest, PersistentFailuresReturnAtOnce) {
    ASSERT_TRUE(ExecQuery(m_db.Get(), "insert into t (k, v) values (1, 'a')"));
    EXPECT_FALSE(ExecQuery(m_db.Get(), "insert into t (k, v) values (1, 'again')"));
    EXPECT_TRUE(m_log.Contains("(INFO): Sqlite returned 19, attempt 1\n")) << m_log.Text();
    EXPECT_TRUE(m_log.Contains("(CRIT): Sqlite statement failed with 19 after 1 attempts"));

    EXPECT_FALSE(ExecQuery(m_db.Get(), "insert into missing values (1)"));
    EXPECT_TRUE(m_log.Contains("(CRIT): Sqlite returned 1 for query insert into missing values (1)\n"));

    SqliteDb readOnly;
    ASSERT_EQ(SQLITE_OK, readOnly.Open(m_dir.File("test.db"), SQLITE_OPEN_READONLY));
    EXPECT_FALSE(ExecQuery(readOnly.Get(), "insert into t (v) values ('b')"));
    EXPECT_TRUE(m_log.Contains("Sqlite statement failed with 8 after 1 attempts"));

    EXPECT_EQ(0, m_pauses);
    EXPECT_FALSE(StepWithRetry(platform::SqliteStatement()));
    EXPECT_TRUE(ExecQuery(m_db.Get(), "insert into t (k, v) values (2, 'b')"))
        << "the connection stays usable";
}

TEST_F(StatementHelpersTest, FileThatIsNotADatabaseFailsWithoutCrashing) {
    std::string path = m_dir.File("garbage.db");
    testsupport::WriteFileText(path, std::string(4096, 'x'));
    SqliteDb db;
    ASSERT_EQ(SQLITE_OK, db.Open(path));
    EXPECT_FALSE(ExecQuery(db.Get(), "create table t (k integer)"));
    EXPECT_FALSE(ExecQuery(db.Get(), "insert into t values (1)"));
    EXPECT_TRUE(m_log.Contains("(CRIT): Sqlite returned 26 for query create table t (k integer)\n"))
        << m_log.Text();
    EXPECT_EQ(0, m_pauses);
}
