#include "host/db/odbc_engine.h"

#include <array>
#include <string_view>

#include "host/db/engine_factory.h"
#include "host/db/odbc_connect.h"
#include "host/db/odbc_connection_string.h"
#include "host/db/odbc_diagnostics.h"

namespace q9 {
namespace {

bool IsBlank(const std::string& sql) {
    return sql.find_first_not_of(" \t\r\n") == std::string::npos;
}

SQLPOINTER AsAttribute(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

void AppendReconnectFailure(Error& error, const Error& reconnect) {
    error.description += "; connecting again failed: " + reconnect.description;
}

bool IsSqlServer(SQLHDBC connection) {
    std::array<char, 128> name{};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(connection, SQL_DBMS_NAME, name.data(),
                                  static_cast<SQLSMALLINT>(name.size()), &length))) {
        return false;
    }
    return std::string_view(name.data()).find("SQL Server") != std::string_view::npos;
}

// Savepoints are spelled as the server at the other end spells them.
SavepointDialect DialectOf(SQLHDBC connection) {
    return IsSqlServer(connection) ? SavepointDialect::SqlServer : SavepointDialect::Standard;
}

}  // namespace

class OdbcEngine::Scope final : public SavepointScope {
  public:
    Scope(OdbcEngine& engine, SavepointDialect dialect)
        : SavepointScope(dialect), engine_(engine) {}

    RecordsetPtr Query(const std::string& sql) override {
        odbc::BatchOutcome outcome = Run(sql, true);
        if (!outcome.firstResultSet) {
            throw HostError(error_number::kDatabase, "该SQL没有返回记录");
        }
        return outcome.firstResultSet;
    }
    int64_t Execute(const std::string& sql) override {
        if (IsBlank(sql)) return 0;
        return static_cast<int64_t>(Run(sql, false).lastStatementRows);
    }
    bool connectionLost() const { return connectionLost_; }

  protected:
    void SendControl(const std::string& sql) override { Run(sql, false); }

  private:
    odbc::BatchOutcome Run(const std::string& sql, bool keepFirstResultSet) {
        odbc::BatchOutcome outcome = engine_.Run(sql, keepFirstResultSet);
        if (outcome.connectionLost) connectionLost_ = true;
        if (!outcome.ok()) throw HostError(std::move(outcome.error));
        return outcome;
    }

    OdbcEngine& engine_;
    bool connectionLost_ = false;
};

OdbcEngine::OdbcEngine(std::string connectionString, OdbcTimeouts timeouts)
    : connectionString_(odbc::WithDriverDefaults(connectionString)), timeouts_(timeouts) {
    if (Error error = Connect(); error.IsSet()) throw HostError(std::move(error));
}

Error OdbcEngine::Connect() {
    connection_.Reset();
    if (!environment_) {
        auto environment = std::make_shared<odbc::EnvironmentHandle>();
        if (!SQL_SUCCEEDED(environment->Allocate(SQL_NULL_HANDLE))) {
            return Error{error_number::kCannotCreateObject, "不能初始化ODBC驱动程序管理器"};
        }
        SQLSetEnvAttr(environment->get(), SQL_ATTR_ODBC_VERSION, AsAttribute(SQL_OV_ODBC3), 0);
        environment_ = std::move(environment);
    }
    if (Error error = odbc::ConnectWithin(environment_, connectionString_, timeouts_.login,
                                          timeouts_.grace, &connection_);
        error.IsSet()) {
        return error;
    }
    broken_ = false;
    if (Error error = PrepareSession(); error.IsSet()) {
        connection_.Reset();
        return error;
    }
    dialect_ = DialectOf(connection_.get());
    return {};
}

Error OdbcEngine::PrepareSession() {
    if (!IsSqlServer(connection_.get())) return {};
    // A statement waiting for another session's lock gives up after 5 s with error 1222, which
    // stops the run, instead of holding it until the query timeout.
    odbc::BatchOutcome outcome = Run("SET NOCOUNT OFF SET LOCK_TIMEOUT 5000", false);
    if (outcome.ok()) return {};
    return ExplainedBy(outcome.error, outcome.error.number, "不能准备到账套数据库的连接（%1）：%2",
                       {odbc::MaskPasswords(connectionString_)}, outcome.error.kind);
}

odbc::BatchOutcome OdbcEngine::Run(const std::string& sql, bool keepFirstResultSet) {
    return odbc::RunBatch(connection_.get(), sql, keepFirstResultSet,
                          static_cast<SQLULEN>(timeouts_.query.count()));
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
    Error error = Connect();
    // The account was reached before and is not now.
    if (error.IsSet()) error.kind = ErrorKind::Unavailable;
    return error;
}

RecordsetPtr OdbcEngine::Query(const std::string& sql, Error* error) {
    Error ignored;
    Error& target = error ? *error : ignored;
    if (workThread_.IsCurrent()) {
        target = CalledInsideWork();
        return nullptr;
    }
    std::lock_guard lock(mutex_);
    if (Error reconnect = ReconnectIfDead(); reconnect.IsSet()) {
        target = std::move(reconnect);
        return nullptr;
    }
    odbc::BatchOutcome outcome = Run(sql, true);
    if (outcome.connectionLost) {
        // Reading again is harmless, so a query outlives one lost connection.
        if (Error reconnect = Connect(); reconnect.IsSet()) {
            AppendReconnectFailure(outcome.error, reconnect);
        } else {
            outcome = Run(sql, true);
        }
    }
    broken_ = outcome.connectionLost;
    if (!outcome.ok()) {
        target = std::move(outcome.error);
        return nullptr;
    }
    if (!outcome.firstResultSet) {
        target = Error{error_number::kDatabase, "该SQL没有返回记录"};
        return nullptr;
    }
    return outcome.firstResultSet;
}

Outcome OdbcEngine::Execute(const std::string& sql) {
    if (workThread_.IsCurrent()) return Outcome::Failure(CalledInsideWork());
    std::lock_guard lock(mutex_);
    if (IsBlank(sql)) return Outcome::Success();
    if (Error reconnect = ReconnectIfDead(); reconnect.IsSet()) {
        return Outcome::Failure(std::move(reconnect));
    }
    odbc::BatchOutcome outcome = Run(sql, false);
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
    if (workThread_.IsCurrent()) return {CalledInsideWork()};
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
        outcome.error = odbc::ErrorFromDiagnostics(records, "不能开始事务");
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
        outcome = Run(batch.sql, false);
        if (!outcome.ok()) {
            EndTransaction(SQL_ROLLBACK);
            return outcome;
        }
        if (batch.mustChangeRows && outcome.lastStatementRows == 0) {
            *unchanged = true;
            EndTransaction(SQL_ROLLBACK);
            return outcome;
        }
    }
    *commitRequested = true;
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT))) {
        const odbc::Diagnostics records = odbc::ReadDiagnostics(SQL_HANDLE_DBC, connection_.get());
        outcome.connectionLost = odbc::HasConnectionFailure(records);
        outcome.error = odbc::ErrorFromDiagnostics(records, "不能提交事务");
        EndTransaction(SQL_ROLLBACK);
        return outcome;
    }
    EndTransaction(SQL_COMMIT);
    return outcome;
}

TransactionOutcome OdbcEngine::RunTransaction(const TransactionWork& work, TransactionRetry retry) {
    if (workThread_.IsCurrent()) return {CalledInsideWork()};
    std::lock_guard lock(mutex_);
    if (Error reconnect = ReconnectIfDead(); reconnect.IsSet()) return {std::move(reconnect)};
    bool connectionLost = false;
    bool commitRequested = false;
    TransactionOutcome outcome = TryTransaction(work, &connectionLost, &commitRequested);
    if (connectionLost && !commitRequested && retry == TransactionRetry::AfterLostConnection) {
        // The server rolled the transaction back with its connection: nothing of it stayed.
        if (Error reconnect = Connect(); reconnect.IsSet()) {
            AppendReconnectFailure(outcome.error, reconnect);
        } else {
            outcome = TryTransaction(work, &connectionLost, &commitRequested);
        }
    }
    if (connectionLost) {
        broken_ = true;
        if (commitRequested) {
            outcome.error.description +=
                "; the connection was lost during the commit, whether it took effect is unknown";
        }
    }
    return outcome;
}

TransactionOutcome OdbcEngine::TryTransaction(const TransactionWork& work, bool* connectionLost,
                                              bool* commitRequested) {
    *connectionLost = false;
    *commitRequested = false;
    TransactionOutcome outcome;
    if (!SQL_SUCCEEDED(SQLSetConnectAttr(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                                         AsAttribute(SQL_AUTOCOMMIT_OFF), 0))) {
        const odbc::Diagnostics records = odbc::ReadDiagnostics(SQL_HANDLE_DBC, connection_.get());
        *connectionLost = odbc::HasConnectionFailure(records);
        outcome.error = odbc::ErrorFromDiagnostics(records, "不能开始事务");
        EndTransaction(SQL_ROLLBACK);
        return outcome;
    }
    {
        WorkThread::Claim claim(workThread_);
        Scope scope(*this, dialect_);
        try {
            outcome.end = work(scope);
        } catch (...) {
            outcome.error = CurrentExceptionError();
        }
        *connectionLost = scope.connectionLost();
    }
    if (outcome.error.IsSet() || outcome.end == TransactionEnd::RollBack) {
        EndTransaction(SQL_ROLLBACK);
        return outcome;
    }
    *commitRequested = true;
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT))) {
        const odbc::Diagnostics records = odbc::ReadDiagnostics(SQL_HANDLE_DBC, connection_.get());
        *connectionLost = odbc::HasConnectionFailure(records);
        outcome.error = odbc::ErrorFromDiagnostics(records, "不能提交事务");
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

std::shared_ptr<DatabaseEngine> OpenOdbcEngine(const std::string& connectionString,
                                               OdbcTimeouts timeouts) {
    return std::make_shared<OdbcEngine>(connectionString, timeouts);
}

}  // namespace q9
