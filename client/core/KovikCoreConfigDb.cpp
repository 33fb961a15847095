// The configuration tables of "mv.dat": the account, the shared folders and
// the counters of one-off actions.
#include "client/core/KovikCore.h"

#include "client/library/FileScanner.h"
#include "include/db/Savepoint.h"
#include "include/db/StatementHelpers.h"
#include "include/fs/FileCmds.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <cstdio>

namespace {

std::wstring ColumnText(sqlite3_stmt* statement, int column) {
    return Utf8ToWide(ColumnString(statement, column));
}

} // namespace

bool KovikCore::CreateSharesTable(sqlite3* db) {
    return ExecQuery(db, "create table if not exists Shares_v1 (path TEXT primary key, download INTEGER )");
}

bool KovikCore::CreateActionsTable(sqlite3* db) {
    if (!ExecQuery(db, "create table if not exists Actions_v1 (name TEXT primary key, num INTEGER )"))
        return false;
    for (const char* name : {kActionMusicSearch, kActionInitialPlayCount, kActionFileScans}) {
        bool notFound = false;
        if (GetActionCount(db, name, notFound) != -1 || !notFound)
            continue;
        char sql[256];
        std::snprintf(sql, sizeof sql, "insert into Actions_v1 (name, num) values ('%s', 0)", name);
        if (!ExecQuery(db, sql))
            return false;
    }
    return true;
}

bool KovikCore::CreateAccountsTable(sqlite3* db) {
    if (!ExecQuery(
            db,
            "create table if not exists Accounts_v2 (username TEXT primary key, password TEXT, token TEXT )"))
        return false;
    platform::SqliteStatement count;
    if (count.Prepare(db, "select count(*) from sqlite_master where type='table' and name = 'Accounts_v1'") !=
            SQLITE_OK ||
        count.Step() != SQLITE_ROW) {
        MVLOG(LOG_ERR, "Could not look for Accounts_v1: %s", sqlite3_errmsg(db));
        return false;
    }
    if (sqlite3_column_int(count.Get(), 0) == 0)
        return true;
    count.Finalize();
    // An old account keeps its name and password and gets an empty token.
    return ExecQuery(db, "insert into Accounts_v2 select username, password, '' from Accounts_v1") &&
           ExecQuery(db, "drop table Accounts_v1");
}

int KovikCore::GetActionCount(sqlite3* db, const char* name, bool& notFound) {
    notFound = false;
    platform::SqliteStatement statement;
    if (statement.Prepare(db, std::string("select num from Actions_v1 where name = '") + name + "'") !=
        SQLITE_OK) {
        MVLOG(LOG_ERR, "Could not read action %s: %s", name, sqlite3_errmsg(db));
        return -1;
    }
    if (statement.Step() != SQLITE_ROW) {
        notFound = true;
        return -1;
    }
    return sqlite3_column_int(statement.Get(), 0);
}

bool KovikCore::IncrementAction(sqlite3* db, const char* name) {
    return ExecQuery(db, std::string("update Actions_v1 set num = num + 1 where name = '") + name + "'");
}

bool KovikCore::LoadAccount(std::wstring& username, std::wstring& password, std::wstring& token) {
    platform::SqliteStatement statement;
    if (statement.Prepare(m_configDb.Get(), "select username, password, token from Accounts_v2") !=
        SQLITE_OK) {
        MVLOG(LOG_ERR, "Could not read Accounts_v2: %s", sqlite3_errmsg(m_configDb.Get()));
        return false;
    }
    if (statement.Step() != SQLITE_ROW)
        return false;
    username = ColumnText(statement.Get(), 0);
    password = ColumnText(statement.Get(), 1);
    token = ColumnText(statement.Get(), 2);
    return true;
}

bool KovikCore::SaveAccount(const std::wstring& username, const std::wstring& password,
                            const std::wstring& token) {
    sqlite3* db = m_configDb.Get();
    // A failed insert must not leave the account forgotten.
    const bool saved = WriteUnderSavepoint(db, "saveAccount", [&] {
        if (!ExecQuery(db, "delete from Accounts_v2"))
            return false;
        if (username.empty())
            return true;
        platform::SqliteStatement insert;
        return insert.Prepare(db, "insert into Accounts_v2 (username, password, token) values (?,?,?)") ==
                   SQLITE_OK &&
               BindUtf8(insert.Get(), 1, WideToUtf8(username)) &&
               BindUtf8(insert.Get(), 2, WideToUtf8(password)) &&
               BindUtf8(insert.Get(), 3, WideToUtf8(token)) && StepWithRetry(std::move(insert));
    });
    if (!saved)
        MVLOG(LOG_ERR, "Could not save the account; the stored one is kept");
    CommitConfigWrite();
    return saved;
}

bool KovikCore::LoadShares() {
    platform::SqliteStatement statement;
    if (statement.Prepare(m_configDb.Get(), "select path, download from Shares_v1 order by rowid") !=
        SQLITE_OK) {
        MVLOG(LOG_ERR, "Could not read Shares_v1: %s", sqlite3_errmsg(m_configDb.Get()));
        return false;
    }
    MutexLock lock(m_sharesLock);
    m_shares.clear();
    while (statement.Step() == SQLITE_ROW) {
        std::wstring path = ColumnText(statement.Get(), 0);
        if (path.empty())
            continue;
        if (!pathExists(path)) {
            MVLOG(LOG_INFO, "Can't share %ls because it doesn't exist", path.c_str());
            continue;
        }
        if (sqlite3_column_int(statement.Get(), 1) != 0)
            m_shares.insert(m_shares.begin(), path);
        else
            m_shares.push_back(path);
    }
    return !m_shares.empty();
}

bool KovikCore::SaveShares() {
    sqlite3* db = m_configDb.Get();
    // The stored set is replaced whole or not at all.
    const bool saved = WriteUnderSavepoint(db, "saveShares", [&] {
        if (!ExecQuery(db, "delete from Shares_v1"))
            return false;
        MutexLock lock(m_sharesLock);
        for (size_t i = 0; i < m_shares.size(); ++i) {
            platform::SqliteStatement insert;
            if (insert.Prepare(db, "insert into Shares_v1 (path, download) values (?,?)") != SQLITE_OK ||
                !BindUtf8(insert.Get(), 1, WideToUtf8(m_shares[i])) ||
                sqlite3_bind_int(insert.Get(), 2, i == 0 ? 1 : 0) != SQLITE_OK ||
                !StepWithRetry(std::move(insert)))
                return false;
        }
        return true;
    });
    if (!saved)
        MVLOG(LOG_ERR, "Could not save the shares; the stored set is kept");
    CommitConfigWrite();
    return saved;
}

void KovikCore::CommitConfigWrite() {
    if (m_scanner->IsInTransaction()) {
        m_scanner->EndTransaction();
        m_scanner->BeginTransaction();
    }
}

int KovikCore::GetFileScanCount() {
    bool notFound = false;
    return GetActionCount(m_configDb.Get(), kActionFileScans, notFound);
}

void KovikCore::CountFileScan() {
    (void)IncrementAction(m_configDb.Get(), kActionFileScans);
}
