// The scanner's tables in the configuration database: FileMetadata_v9 (one
// row per shared music file), Downloads (files that arrived from peers) and
// CollectionData; the statements reused for every row, and the transaction
// that the scanner keeps open and commits at its fixed points and at least
// every kCommitRows rows or kCommitSeconds seconds of writing, also when no
// further write comes (CommitWaitingRows).
#pragma once

#include "platform/lib/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

class MetadataTables {
  public:
    static constexpr uint32_t kCommitRows = 1000;
    static constexpr int64_t kCommitSeconds = 30;

    // Rows written while one lives are counted but never commit by the
    // interval: the writer keeps an interval of its own.
    class IntervalCommitsOff {
      public:
        explicit IntervalCommitsOff(MetadataTables& tables)
            : m_tables(tables), m_before(tables.m_intervalCommits) {
            m_tables.m_intervalCommits = false;
        }
        ~IntervalCommitsOff() { m_tables.m_intervalCommits = m_before; }
        IntervalCommitsOff(const IntervalCommitsOff&) = delete;
        IntervalCommitsOff& operator=(const IntervalCommitsOff&) = delete;

      private:
        MetadataTables& m_tables;
        bool m_before;
    };

    MetadataTables();
    MetadataTables(const MetadataTables&) = delete;
    MetadataTables& operator=(const MetadataTables&) = delete;

    // Drops the tables of older versions, creates the current ones and
    // prepares the statements. False (logged) when a table cannot be made or
    // a statement cannot be prepared.
    [[nodiscard]] bool Init(sqlite3* db);
    // Finalizes the statements; the database handle is forgotten.
    void Close();
    sqlite3* GetDb() const { return m_db; }

    // The 27 columns the row statements name, in their order (all but offset).
    static const std::vector<std::string>& ColumnNames();
    static const std::string& InsertText();
    static const std::string& UpdateText();
    static const char kPlayCountText[];
    static const char kSelectByOffsetText[];
    static const char kDeleteByOffsetText[];

    // The prepared statements, reset and unbound between uses; not prepared
    // before Init. A writer runs its statement with StepReusedWithRetry and
    // then calls RowWritten.
    platform::SqliteStatement& InsertStatement() { return m_insert; }
    platform::SqliteStatement& UpdateStatement() { return m_update; }
    platform::SqliteStatement& SelectByOffsetStatement() { return m_selectByOffset; }
    platform::SqliteStatement& DeleteStatement() { return m_delete; }
    platform::SqliteStatement& PlayCountStatement() { return m_playCount; }

    // Counts one written row; commits (and opens a new transaction) when
    // enough rows or time have gone into the open transaction.
    void RowWritten();
    // Commits rows that no later write came to commit: once kCommitSeconds
    // have passed since the transaction began, or, when every waiting row
    // was written with interval commits off, once `ownIntervalSecs` have
    // passed since the last commit.
    void CommitWaitingRows(int64_t ownIntervalSecs);

    // SQLite's own transaction state: a statement that SQLite rolled back by
    // itself leaves no transaction open, whatever was begun before.
    bool IsInTransaction() const;
    void BeginTransaction();
    void EndTransaction();
    // Monotonic seconds of the last commit, whoever made it (construction
    // before the first).
    int64_t LastCommitTime() const { return m_lastCommit; }

    // A Downloads row holds this content digest and tag digest.
    bool IsDownloaded(const std::string& digest, const std::string& tagDigest);
    bool InsertDownload(const std::string& digest, const std::string& tagDigest);

  private:
    bool CreateTables();
    bool PrepareStatements();

    sqlite3* m_db = nullptr;
    platform::SqliteStatement m_insert;
    platform::SqliteStatement m_update;
    platform::SqliteStatement m_selectByOffset;
    platform::SqliteStatement m_delete;
    platform::SqliteStatement m_playCount;
    platform::SqliteStatement m_isDownloaded;
    platform::SqliteStatement m_insertDownload;
    uint32_t m_rowsSinceCommit = 0;
    // Of those, the rows written with interval commits on.
    uint32_t m_intervalRowsSinceCommit = 0;
    int64_t m_transactionStart = 0;
    int64_t m_lastCommit;
    bool m_intervalCommits = true;
};
