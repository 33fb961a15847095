#include "tests/client/core/CoreHarness.h"

#include "include/db/StatementHelpers.h"
#include "include/text/AppStrings.h"
#include "include/text/Utf8.h"
#include "platform/lib/sqlite/SqliteDb.h"
#include "tests/support/media/Mp3Fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::CoreHarness;

namespace {

std::string ConfigDbPath(const CoreHarness& h) {
    return WideToUtf8(h.ConfigDir()) + "/mv.dat";
}

// Runs SQL on the configuration file from outside the core.
void RunSql(const std::string& file, const std::string& sql) {
    platform::SqliteDb db;
    ASSERT_EQ(SQLITE_OK, db.Open(file));
    ASSERT_TRUE(ExecQuery(db.Get(), sql)) << sql;
}

std::vector<std::string> Rows(sqlite3* db, const std::string& sql) {
    std::vector<std::string> rows;
    platform::SqliteStatement statement;
    EXPECT_EQ(SQLITE_OK, statement.Prepare(db, sql));
    while (statement.Step() == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(statement.Get()); ++i) {
            const unsigned char* text = sqlite3_column_text(statement.Get(), i);
            row += (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "");
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(KovikCoreConfigDbTest, OldAccountTableMovesIntoTheNewOneWithAnEmptyToken) {
    CoreHarness h;
    std::filesystem::create_directories(WideToUtf8(h.ConfigDir()));
    RunSql(ConfigDbPath(h), "create table Accounts_v1 (username TEXT primary key, password TEXT)");
    RunSql(ConfigDbPath(h), "insert into Accounts_v1 values ('alice', 'd1g3st')");

    ASSERT_TRUE(h.Start());
    sqlite3* db = h.core->GetConfigDb();
    EXPECT_EQ(std::vector<std::string>({"alice|d1g3st|"}),
              Rows(db, "select username, password, token from Accounts_v2"));
    EXPECT_TRUE(Rows(db, "select name from sqlite_master where name = 'Accounts_v1'").empty());
    EXPECT_TRUE(h.core->HasStoredAccount());
    EXPECT_EQ(L"alice", h.core->GetUsername());
}

TEST(KovikCoreConfigDbTest, ActionCountersAreMadeOnceAndSurviveASecondStart) {
    CoreHarness h;
    ASSERT_TRUE(h.Start());
    sqlite3* db = h.core->GetConfigDb();
    EXPECT_EQ(std::vector<std::string>({"musicSearch|0", "initialPlayCount|0", "fileScans|0"}),
              Rows(db, "select name, num from Actions_v1 order by rowid"));
    ASSERT_TRUE(KovikCore::IncrementAction(db, KovikCore::kActionMusicSearch));
    ASSERT_TRUE(KovikCore::IncrementAction(db, KovikCore::kActionMusicSearch));

    h.Build();
    ASSERT_TRUE(h.Start());
    db = h.core->GetConfigDb();
    bool notFound = true;
    EXPECT_EQ(2, KovikCore::GetActionCount(db, KovikCore::kActionMusicSearch, notFound));
    EXPECT_FALSE(notFound);
    EXPECT_EQ(3u, Rows(db, "select name from Actions_v1").size());
    EXPECT_EQ(-1, KovikCore::GetActionCount(db, "noSuchAction", notFound));
    EXPECT_TRUE(notFound);
}

TEST(KovikCoreConfigDbTest, DatabaseIsWriteAheadAndUtf16) {
    CoreHarness h;
    ASSERT_TRUE(h.Start());
    sqlite3* db = h.core->GetConfigDb();
    EXPECT_EQ(std::vector<std::string>({"wal"}), Rows(db, "PRAGMA journal_mode"));
    EXPECT_EQ(std::vector<std::string>({"UTF-16le"}), Rows(db, "PRAGMA encoding"));
}

TEST(KovikCoreConfigDbTest, SharesComeBackInOrderWithTheDownloadShareFirst) {
    CoreHarness h;
    for (const char* name : {"A", "B", "C", "D"})
        std::filesystem::create_directories(h.dir.File(name));
    ASSERT_TRUE(h.Start());
    h.core->PostSetSharesRequest({h.dir.WFile("A"), h.dir.WFile("B"), h.dir.WFile("C"), h.dir.WFile("D")});
    h.core->ProcessUiRequests();
    EXPECT_EQ(std::vector<std::string>({h.dir.File("A") + "|1", h.dir.File("B") + "|0",
                                        h.dir.File("C") + "|0", h.dir.File("D") + "|0"}),
              Rows(h.core->GetConfigDb(), "select path, download from Shares_v1"));

    std::filesystem::remove(h.dir.File("C"));
    h.Build();
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(std::vector<std::wstring>({h.dir.WFile("A"), h.dir.WFile("B"), h.dir.WFile("D")}),
              h.core->GetShares());
    EXPECT_TRUE(h.log.Contains("Can't share " + h.dir.File("C") + " because it doesn't exist"));
    // The scanner and the monitor start from the same list.
    ASSERT_FALSE(h.scanner->curShares.empty());
    EXPECT_EQ(h.core->GetShares(), h.scanner->curShares.back());
    ASSERT_FALSE(h.shareMon->given.empty());
    EXPECT_EQ(h.core->GetShares(), h.shareMon->given.back());
}

TEST(KovikCoreConfigDbTest, DownloadShareLoadsFirstWhateverTheRowOrder) {
    CoreHarness h;
    ASSERT_TRUE(h.Start());
    for (const char* name : {"x", "y", "z"})
        std::filesystem::create_directories(h.dir.File(name));
    sqlite3* db = h.core->GetConfigDb();
    ASSERT_TRUE(ExecQuery(db, "insert into Shares_v1 values ('" + h.dir.File("x") + "', 0)"));
    ASSERT_TRUE(ExecQuery(db, "insert into Shares_v1 values ('" + h.dir.File("y") + "', 1)"));
    ASSERT_TRUE(ExecQuery(db, "insert into Shares_v1 values ('" + h.dir.File("z") + "', 0)"));
    ASSERT_TRUE(h.core->LoadShares());
    EXPECT_EQ(std::vector<std::wstring>({h.dir.WFile("y"), h.dir.WFile("x"), h.dir.WFile("z")}),
              h.core->GetShares());
}

TEST(KovikCoreConfigDbTest, SavingAnEmptyUserNameForgetsTheAccount) {
    CoreHarness h;
    ASSERT_TRUE(h.Start());
    ASSERT_TRUE(h.core->SaveAccount(L"bob", L"cred", L"tok"));
    std::wstring user, password, token;
    ASSERT_TRUE(h.core->LoadAccount(user, password, token));
    EXPECT_EQ(L"bob", user);
    EXPECT_EQ(L"cred", password);
    EXPECT_EQ(L"tok", token);
    ASSERT_TRUE(h.core->SaveAccount(L"", L"x", L"y"));
    EXPECT_FALSE(h.core->LoadAccount(user, password, token));
}

TEST(KovikCoreConfigDbTest, FailedWritesKeepTheStoredAccountAndSharesInsideATransactionOrNot) {
    for (const bool inTransaction : {false, true}) {
        CoreHarness h;
        for (const char* name : {"A", "B"})
            std::filesystem::create_directories(h.dir.File(name));
        ASSERT_TRUE(h.Start());
        sqlite3* db = h.core->GetConfigDb();
        ASSERT_TRUE(h.core->SaveAccount(L"alice", L"cred", L"tok"));
        h.core->PostSetSharesRequest({h.dir.WFile("A")});
        h.core->ProcessUiRequests();
        // From now on every insert fails after its table was emptied.
        for (const char* table : {"Accounts_v2", "Shares_v1"})
            ASSERT_TRUE(ExecQuery(db, std::string("create trigger no_") + table + " before insert on " +
                                          table + " begin select raise(abort, 'refused'); end"));
        if (inTransaction) { // as the scanner holds one
            ASSERT_TRUE(ExecQuery(db, "BEGIN"));
        }

        EXPECT_FALSE(h.core->SaveAccount(L"bob", L"cred2", L"tok2"));
        h.core->PostSetSharesRequest({h.dir.WFile("B")});
        h.core->ProcessUiRequests();
        if (inTransaction) {
            ASSERT_TRUE(ExecQuery(db, "END"));
        }

        EXPECT_EQ(std::vector<std::string>({"alice|cred|tok"}),
                  Rows(db, "select username, password, token from Accounts_v2"))
            << inTransaction;
        EXPECT_EQ(std::vector<std::string>({h.dir.File("A") + "|1"}),
                  Rows(db, "select path, download from Shares_v1"))
            << inTransaction;
        // Later writes work again.
        ASSERT_TRUE(ExecQuery(db, "drop trigger no_Accounts_v2"));
        EXPECT_TRUE(h.core->SaveAccount(L"carol", L"c", L""));
        EXPECT_EQ(std::vector<std::string>({"carol|c|"}),
                  Rows(db, "select username, password, token from Accounts_v2"));
    }
}

TEST(KovikCoreConfigDbTest, ConfigurationWritesCommitTheScannersRowsBeforeACloseWithoutEnd) {
    CoreHarness h;
    h.Build(false, true);
    ASSERT_TRUE(h.Start());
    FileScanner& scanner = h.core->GetScanner();
    scanner.BeginTransaction();
    for (const char* digest : {"a", "b", "c"})
        ASSERT_TRUE(scanner.GetTables().InsertDownload(digest, "t"));
    ASSERT_TRUE(h.core->SaveAccount(L"carol", L"c", L""));
    EXPECT_TRUE(scanner.IsInTransaction());
    ASSERT_TRUE(scanner.GetTables().InsertDownload("lost with the close", "t"));

    h.core.reset();
    platform::SqliteDb db;
    ASSERT_EQ(SQLITE_OK, db.Open(ConfigDbPath(h)));
    EXPECT_EQ(std::vector<std::string>({"carol"}), Rows(db.Get(), "select username from Accounts_v2"));
    EXPECT_EQ(std::vector<std::string>({"3"}), Rows(db.Get(), "select count(*) from Downloads"));
}

TEST(KovikCoreConfigDbTest, TheLoopCommitsAFoundSongThatNoFurtherWriteFollowsAfterThirtySeconds) {
    CoreHarness h;
    h.Build(false, true);
    ASSERT_TRUE(h.Start());
    h.core->BeginLoop();
    FileScanner& scanner = h.core->GetScanner();
    scanner.BeginTransaction();
    ASSERT_TRUE(testsupport::WriteMp3(h.dir.File("found.mp3"), "", 40));
    scanner.ScanSingleFile(h.dir.WFile("found.mp3"), 77);

    // What another process, or this one after a crash, finds.
    platform::SqliteDb db;
    ASSERT_EQ(SQLITE_OK, db.Open(ConfigDbPath(h)));
    const std::string songs = "select fileName, songID from FileMetadata_v9";
    h.clock.Advance(29 * 1000);
    h.core->LoopPass();
    EXPECT_TRUE(Rows(db.Get(), songs).empty());
    h.clock.Advance(1000);
    h.core->LoopPass();
    EXPECT_EQ(std::vector<std::string>({"found.mp3|77"}), Rows(db.Get(), songs));
    EXPECT_TRUE(scanner.IsInTransaction());
}

TEST(KovikCoreConfigDbTest, StartUpFailsWithoutADatabaseAndTheLoopEndsAtOnce) {
    CoreHarness h;
    // A file where the configuration folder should be.
    testsupport::WriteFileText(WideToUtf8(h.ConfigDir()), "not a folder");
    EXPECT_FALSE(h.Start());
    h.core->RunCoreLoop();
    EXPECT_FALSE(h.core->IsRunning());
    EXPECT_TRUE(h.core->IsStopping());
    ASSERT_EQ(1, h.ui.Count("ShowFatalError"));
    EXPECT_EQ(GetAppString(AS_SETUP_PROBLEM), h.ui.Calls()[0].text);
    EXPECT_EQ(0, h.link->ticks);
}

TEST(KovikCoreStartupTest, StartUpFailsWithoutATlsContext) {
    CoreHarness h;
    testsupport::ScopedEnv ca("MELVANE_CA_FILE", h.dir.File("no-such-ca.pem"));
    EXPECT_FALSE(h.Start());
    EXPECT_TRUE(h.log.Contains("Could not create the TLS client context"));
    EXPECT_TRUE(h.log.Contains("unable to init networking"));
    EXPECT_EQ(0, h.link->inits);
}

TEST(KovikCoreStartupTest, StartUpLogTellsOnlyWhetherTheAccountSecretsAreSet) {
    CoreHarness h;
    ASSERT_TRUE(h.Start());
    EXPECT_TRUE(h.log.Contains("hasAccount: 0, username: , password: (none), dbt: (none)"));
    ASSERT_TRUE(h.core->SaveAccount(L"alice", L"cred-5ecret", L"tok-5ecret"));
    h.Build();
    ASSERT_TRUE(h.Start());
    EXPECT_TRUE(h.log.Contains("hasAccount: 1, username: alice, password: (set), dbt: (set)"));
    EXPECT_FALSE(h.log.Contains("5ecret"));
}

TEST(KovikCoreStartupTest, StartUpHandsTheLinkItsContextAndTheSessionSalt) {
    CoreHarness h;
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(1, h.link->inits);
    EXPECT_TRUE(h.link->hadTlsContext);
    EXPECT_EQ(8u, h.core->GetSessionSalt().size());
    EXPECT_EQ(h.core->GetSessionSalt(), h.link->sessionSalt);
    EXPECT_EQ(1, h.shareMon->starts);
    EXPECT_TRUE(h.log.Contains("chose " + WideToUtf8(h.ConfigDir()) + " as config dir"));
}
