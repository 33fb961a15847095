#include "include/db/StatementHelpers.h"

#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "include/thread/Threads.h"
#include "platform/time/Clock.h"

#include <atomic>
#include <utility>

namespace {

constexpr int64_t kRetryLimitSeconds = 20;
constexpr uint32_t kRetryPauseMs = 1000;

SqliteRetrySleeper g_sleeper;
// A failing database is reported to the service once per run, not for every
// statement that fails on it.
std::atomic<bool> g_failureReported{false};

void PauseBeforeRetry() {
    if (g_sleeper)
        g_sleeper(kRetryPauseMs);
    else
        SleepFor(0, kRetryPauseMs);
}

// Busy and locked pass when the other connection lets go. A row means the
// statement is not yet done; stepping again moves it on.
bool IsWorthRetrying(int result) {
    switch (result & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_ROW:
        return true;
    default:
        return false;
    }
}

} // namespace

void SetSqliteRetrySleeper(SqliteRetrySleeper sleeper) {
    g_sleeper = std::move(sleeper);
}

bool ExecQuery(sqlite3* db, const std::string& sql) {
    platform::SqliteStatement statement;
    int res = statement.Prepare(db, sql);
    if (res != SQLITE_OK) {
        MVLOG(LOG_CRIT, "Sqlite returned %i for query %s", res, sql.c_str());
        return false;
    }
    if (!statement.IsPrepared())
        return true;
    return StepWithRetry(std::move(statement));
}

namespace {

// Steps until done, retrying busy and locked databases; logs the outcome.
bool StepUntilDone(platform::SqliteStatement& statement) {
    if (!statement.IsPrepared()) {
        MVLOG(LOG_CRIT, "Sqlite statement to run was not prepared");
        return false;
    }
    const int64_t start = platform::MonotonicSeconds();
    int attempts = 0;
    int res = SQLITE_OK;
    for (;;) {
        ++attempts;
        res = statement.Step();
        if (res == SQLITE_DONE)
            break;
        MVLOG(LOG_INFO, "Sqlite returned %i, attempt %i", res, attempts);
        if (!IsWorthRetrying(res))
            break;
        PauseBeforeRetry();
        if (platform::MonotonicSeconds() - start >= kRetryLimitSeconds)
            break;
    }

    if (res != SQLITE_DONE) {
        MVLOG(LOG_CRIT, "Sqlite statement failed with %i after %i attempts: %s", res, attempts,
              sqlite3_errstr(res));
        if (!g_failureReported.exchange(true))
            SendReport(L"Sqlite Failed", REPORT_INFO);
        return false;
    }
    if (attempts > 1) {
        MVLOG(LOG_INFO, "Sqlite recovered after %i errors", attempts - 1);
        SendReport(L"Sqlite Recovered", REPORT_INFO);
    }
    return true;
}

} // namespace

bool StepWithRetry(platform::SqliteStatement statement) {
    if (!StepUntilDone(statement))
        return false;
    const int res = statement.Finalize();
    if (res != SQLITE_OK) {
        MVLOG(LOG_CRIT, "sqlite3_finalize returned %i", res);
        return false;
    }
    return true;
}

bool StepReusedWithRetry(platform::SqliteStatement& statement) {
    const bool done = StepUntilDone(statement);
    if (statement.IsPrepared()) {
        sqlite3_reset(statement.Get());
        sqlite3_clear_bindings(statement.Get());
    }
    return done;
}

bool BindUtf8(sqlite3_stmt* statement, int index, const std::string& text) {
    return sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) ==
           SQLITE_OK;
}

std::string ColumnString(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    if (!text)
        return std::string();
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}
