#include "include/db/Savepoint.h"

#include "include/db/StatementHelpers.h"

#include <string>

bool WriteUnderSavepoint(sqlite3* db, const char* name, const std::function<bool()>& writes) {
    const std::string savepoint(name);
    if (!ExecQuery(db, "SAVEPOINT " + savepoint))
        return false;
    if (writes() && ExecQuery(db, "RELEASE " + savepoint))
        return true;
    // These fail only when the database already rolled back the transaction
    // that held the savepoint; ExecQuery logs that.
    (void)ExecQuery(db, "ROLLBACK TO " + savepoint);
    (void)ExecQuery(db, "RELEASE " + savepoint);
    return false;
}
