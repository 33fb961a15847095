#include "platform/lib/sqlite/SqliteStatement.h"

#include <utility>

namespace platform {

SqliteStatement::~SqliteStatement() {
    Finalize();
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        Finalize();
        m_statement = std::exchange(other.m_statement, nullptr);
    }
    return *this;
}

int SqliteStatement::Prepare(sqlite3* db, const std::string& sql) {
    Finalize();
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1, &statement, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_finalize(statement);
        return result;
    }
    m_statement = statement;
    return SQLITE_OK;
}

int SqliteStatement::Step() noexcept {
    return sqlite3_step(m_statement);
}

int SqliteStatement::Finalize() noexcept {
    return sqlite3_finalize(std::exchange(m_statement, nullptr));
}

} // namespace platform
