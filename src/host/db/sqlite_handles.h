#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

#include "host/error.h"

namespace q9::sqlite {

struct ConnectionCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

using ConnectionPtr = std::unique_ptr<sqlite3, ConnectionCloser>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The connection's last error as the tool reports database errors: SQLite's extended code and
// message; a busy or locked database is ErrorKind::Unavailable.
Error LastError(sqlite3* db);

// Opens (creating when `create`) a database file with the settings every connection of the tool
// uses: WAL journal, busy timeout, foreign keys off, the exact decimal functions. Throws HostError.
ConnectionPtr OpenConnection(const std::string& path, bool create);

// Opens an existing account database: the file is only read until the host tables are found
// there, so that a file that is no account is refused unchanged; then the settings of
// OpenConnection apply. Throws HostError (kFileNotFound when there is no file at `path`).
ConnectionPtr OpenExistingAccount(const std::string& path);

// Prepares one statement; throws HostError with SQLite's message.
StatementPtr Prepare(sqlite3* db, const std::string& sql);

// Runs SQL without results (several statements allowed); throws HostError.
void ExecuteScript(sqlite3* db, const std::string& sql);

}  // namespace q9::sqlite
