#include "host/db/sqlite_handles.h"

#include <filesystem>
#include <vector>

#include "host/db/decimal_functions.h"
#include "host/db/host_schema.h"

namespace q9::sqlite {

namespace {

// How long a statement waits for another connection's lock. A host user's own transactions
// take well under a second; waiting longer only makes a locked account cost that much per try.
constexpr int kBusyTimeoutMs = 5000;

}  // namespace

Error LastError(sqlite3* db) {
    int code = db ? sqlite3_extended_errcode(db) : SQLITE_CANTOPEN;
    if (code == SQLITE_OK) code = SQLITE_ERROR;
    const int primary = code & 0xff;
    const ErrorKind kind = primary == SQLITE_BUSY || primary == SQLITE_LOCKED
                               ? ErrorKind::Unavailable
                               : ErrorKind::Statement;
    return DatabaseError(code, db ? sqlite3_errmsg(db) : "cannot open the database", kind);
}

namespace {

Error OpenFailure(sqlite3* db, const std::string& path) {
    const Error cause = LastError(db);
    return CatalogError(cause.number, "不能打开账套数据库%1：%2", {path, cause.description},
                        cause.kind);
}

// SQLite's count of its own memory takes a process-wide lock on every allocation, and the tool
// never reads it. Only possible before SQLite's first use; later it is refused, harmlessly.
void LeaveMemoryUncounted() {
    static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)configured;
}

// Opening alone writes nothing to the file.
ConnectionPtr OpenUnchanged(const std::string& path, bool create) {
    LeaveMemoryUncounted();
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    ConnectionPtr db(raw);
    if (rc != SQLITE_OK) throw HostError(OpenFailure(db.get(), path));
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    sqlite3_extended_result_codes(db.get(), 1);
    return db;
}

void ApplyToolSettings(sqlite3* db) {
    // WAL with NORMAL sync keeps the file consistent on a crash and commits without a flush
    // per statement; the host's own server makes the same trade for its log.
    ExecuteScript(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    RegisterDecimalFunctions(db);
}

}  // namespace

ConnectionPtr OpenConnection(const std::string& path, bool create) {
    ConnectionPtr db = OpenUnchanged(path, create);
    ApplyToolSettings(db.get());
    return db;
}

ConnectionPtr OpenExistingAccount(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        throw HostError(
            CatalogError(error_number::kFileNotFound, "账套数据库文件不存在：%1", {path}));
    }
    ConnectionPtr db = OpenUnchanged(path, false);
    std::vector<std::string> missing;
    try {
        missing = MissingHostTables(db.get());
    } catch (const HostError&) {
        // Not even a database: SQLite's own words say so best.
        throw HostError(OpenFailure(db.get(), path));
    }
    if (!missing.empty()) {
        throw HostError(CatalogError(error_number::kDatabase, "%1不是账套数据库：其中没有表%2",
                                     {path, missing.front()}));
    }
    ApplyToolSettings(db.get());
    return db;
}

StatementPtr Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    StatementPtr statement(raw);
    if (rc != SQLITE_OK) throw HostError(LastError(db));
    return statement;
}

void ExecuteScript(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        Error error = LastError(db);
        if (message) {
            error.description = message;
            sqlite3_free(message);
        }
        throw HostError(error);
    }
}

}  // namespace q9::sqlite
