#include "host/db/odbc_engine.h"

#include "host/db/engine_factory.h"
#include "host/db/odbc_connection_string.h"
#include "host/db/odbc_diagnostics.h"
#include "host/db/odbc_text.h"

namespace q9 {
namespace {

// An unreachable server must not hold the window for long.
constexpr SQLULEN kLoginTimeoutSeconds = 15;

bool IsBlank(const std::string& sql) {
    return sql.find_first_not_of(" \t\r\n") == std::string::npos;
}

SQLPOINTER AsAttribute(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

void AppendReconnectFailure(Error& error, const Error& reconnect) {
    error.description += "; connecting again failed: " + reconnect.description;
}

}  // namespace

OdbcEngine::OdbcEngine(std::string connectionString)
    : connectionString_(std::move(connectionString)) {
    if (Error error = Connect(); error.IsSet()) throw HostError(std::move(error));
}

Error OdbcEngine::Connect() {
    connection_.Reset();
    if (!environment_) {
        if (!SQL_SUCCEEDED(environment_.Allocate(SQL_NULL_HANDLE))) {
            environment_.Reset();
            return Error{error_number::kCannotCreateObject,
                         "The ODBC driver manager could not be initialised"};
        }
        SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION, AsAttribute(SQL_OV_ODBC3), 0);
    }
    if (!SQL_SUCCEEDED(connection_.Allocate(environment_.get()))) {
        Error error =
            odbc::ErrorFromDiagnostics(odbc::ReadDiagnostics(SQL_HANDLE_ENV, environment_.get()),
                                       "No ODBC connection handle could be allocated");
        error.number = error_number::kCannotCreateObject;
        connection_.Reset();
        return error;
    }
    // Drivers that do not know an attribute refuse it; connecting still works without it.
    SQLSetConnectAttr(connection_.get(), SQL_ATTR_LOGIN_TIMEOUT, AsAttribute(kLoginTimeoutSeconds),
                      0);
    SQLSetConnectAttr(connection_.get(), SQL_ATTR_CONNECTION_TIMEOUT,
                      AsAttribute(kLoginTimeoutSeconds), 0);

    odbc::WideText text = odbc::Utf8ToWide(connectionString_);
    text.push_back(0);
    const SQLRETURN rc = SQLDriverConnectW(connection_.get(), nullptr, text.data(), SQL_NTS,
                                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const Error cause = odbc::ErrorFromDiagnostics(
            odbc::ReadDiagnostics(SQL_HANDLE_DBC, connection_.get()), "the driver gave no reason");
        connection_.Reset();
        return Error{error_number::kCannotCreateObject, "Cannot connect to the account database (" +
                                                            odbc::MaskPasswords(connectionString_) +
                                                            "): " + cause.description};
    }
    connection_.MarkConnected();
    broken_ = false;
    return {};
}

bool OdbcEngine::ConnectionIsDead() const {
    if (broken_ || !connection_.connected()) return true;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc =
        SQLGetConnectAttr(connection_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

Error OdbcEngine::ReconnectIfDead() {
    if (!ConnectionIsDead()) return {};
    return Connect();
}

RecordsetPtr OdbcEngine::Query(const std::string& sql, Error* error) {
    std::lock_guard lock(mutex_);
    Error ignored;
    Error& target = error ? *error : ignored;
    if (Error reconnect = ReconnectIfDead(); reconnect.IsSet()) {
        target = std::move(reconnect);
        return nullptr;
    }
    odbc::BatchOutcome outcome = odbc::RunBatch(connection_.get(), sql, true);
    if (outcome.connectionLost) {
        // Reading again is harmless, so a query outlives one lost connection.
        if (Error reconnect = Connect(); reconnect.IsSet()) {
            AppendReconnectFailure(outcome.error, reconnect);
        } else {
            outcome = odbc::RunBatch(connection_.get(), sql, true);
        }
    }
    broken_ = outcome.connectionLost;
    if (!outcome.ok()) {
        target = std::move(outcome.error);
        return nullptr;
    }
    if (!outcome.firstResultSet) {
        target = Error{error_number::kDatabase, "The SQL text returned no rows"};
        return nullptr;
    }
    return outcome.firstResultSet;
}

Outcome OdbcEngine::Execute(const std::string& sql) {
    std::lock_guard lock(mutex_);
    if (IsBlank(sql)) return Outcome::Success();
    if (Error reconnect = ReconnectIfDead(); reconnect.IsSet()) {
        return Outcome::Failure(std::move(reconnect));
    }
    odbc::BatchOutcome outcome = odbc::RunBatch(connection_.get(), sql, false);
    if (outcome.connectionLost) {
        // Not sent again: the server may have run part of the batch before the link broke, and
        // in autocommit that part stays. The next call connects afresh.
        broken_ = true;
        outcome.error.description +=
            "; the connection was lost while the batch ran, statements of it may have been "
            "applied";
    }
    return outcome.ok() ? Outcome::Success() : Outcome::Failure(std::move(outcome.error));
}

Outcome OdbcEngine::ExecuteAtomic(const std::vector<std::string>& batches) {
    std::vector<AtomicBatch> unguarded;
    unguarded.reserve(batches.size());
    for (const std::string& sql : batches) unguarded.push_back(AtomicBatch{sql, false});
    return Outcome{ExecuteAtomicGuarded(unguarded).error};
}

AtomicOutcome OdbcEngine::ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) {
    std::lock_guard lock(mutex_);
    if (Error reconnect = ReconnectIfDead(); reconnect.IsSet()) return {std::move(reconnect)};
    bool commitRequested = false;
    bool unchanged = false;
    odbc::BatchOutcome outcome = RunAtomically(batches, &commitRequested, &unchanged);
    if (outcome.connectionLost && !commitRequested) {
        // The server rolls back a transaction whose connection dies before the commit, so
        // running the batches once more cannot apply anything twice.
        if (Error reconnect = Connect(); reconnect.IsSet()) {
            AppendReconnectFailure(outcome.error, reconnect);
        } else {
            outcome = RunAtomically(batches, &commitRequested, &unchanged);
        }
    }
    if (outcome.connectionLost) {
        broken_ = true;
        if (commitRequested) {
            outcome.error.description +=
                "; the connection was lost during the commit, whether it took effect is unknown";
        }
    }
    AtomicOutcome result;
    result.error = std::move(outcome.error);
    result.unchanged = result.error.IsSet() ? false : unchanged;
    return result;
}

odbc::BatchOutcome OdbcEngine::RunAtomically(const std::vector<AtomicBatch>& batches,
                                             bool* commitRequested, bool* unchanged) {
    odbc::BatchOutcome outcome;
    *unchanged = false;
    if (!SQL_SUCCEEDED(SQLSetConnectAttr(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                                         AsAttribute(SQL_AUTOCOMMIT_OFF), 0))) {
        const odbc::Diagnostics records = odbc::ReadDiagnostics(SQL_HANDLE_DBC, connection_.get());
        outcome.connectionLost = odbc::HasConnectionFailure(records);
        outcome.error = odbc::ErrorFromDiagnostics(records, "No transaction could be started");
        EndTransaction(SQL_ROLLBACK);
        return outcome;
    }
    for (const AtomicBatch& batch : batches) {
        if (IsBlank(batch.sql)) {
            if (batch.mustChangeRows) {
                *unchanged = true;
                EndTransaction(SQL_ROLLBACK);
                return outcome;
            }
            continue;
        }
        outcome = odbc::RunBatch(connection_.get(), batch.sql, false);
        if (!outcome.ok()) {
            EndTransaction(SQL_ROLLBACK);
            return outcome;
        }
        if (batch.mustChangeRows && outcome.rowsChanged == 0) {
            *unchanged = true;
            EndTransaction(SQL_ROLLBACK);
            return outcome;
        }
    }
    *commitRequested = true;
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT))) {
        const odbc::Diagnostics records = odbc::ReadDiagnostics(SQL_HANDLE_DBC, connection_.get());
        outcome.connectionLost = odbc::HasConnectionFailure(records);
        outcome.error =
            odbc::ErrorFromDiagnostics(records, "The transaction could not be committed");
        EndTransaction(SQL_ROLLBACK);
        return outcome;
    }
    EndTransaction(SQL_COMMIT);
    return outcome;
}

void OdbcEngine::EndTransaction(SQLSMALLINT completion) {
    if (!connection_.connected()) return;
    bool clean = true;
    if (completion == SQL_ROLLBACK) {
        clean = SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK));
    }
    clean = SQL_SUCCEEDED(SQLSetConnectAttr(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                                            AsAttribute(SQL_AUTOCOMMIT_ON), 0)) &&
            clean;
    if (!clean) broken_ = true;
}

std::shared_ptr<DatabaseEngine> OpenOdbcEngine(const std::string& connectionString) {
    return std::make_shared<OdbcEngine>(connectionString);
}

}  // namespace q9
