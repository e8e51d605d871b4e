#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/db/database_engine.h"
#include "host/db/engine_factory.h"
#include "host/db/odbc_batch.h"
#include "host/db/odbc_handles.h"
#include "host/db/savepoint_scope.h"

namespace q9 {

// The host's SQL Server account database over ODBC (unixODBC with FreeTDS, or the platform's
// driver manager). T-SQL goes to the server unchanged, one SQLExecDirect per batch. One
// connection serves the engine's whole life; a connection found dead is made again.
class OdbcEngine final : public DatabaseEngine {
  public:
    // Connects at once; throws HostError with the driver's diagnostics when it cannot.
    explicit OdbcEngine(std::string connectionString, OdbcTimeouts timeouts = {});

    RecordsetPtr Query(const std::string& sql, Error* error) override;
    Outcome Execute(const std::string& sql) override;
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override;
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) override;
    TransactionOutcome RunTransaction(const TransactionWork& work,
                                      TransactionRetry retry = TransactionRetry::Never) override;

  private:
    class Scope;

    // One attempt of a unit of work; `connectionLost` and `commitRequested` say how far it got.
    TransactionOutcome TryTransaction(const TransactionWork& work, bool* connectionLost,
                                      bool* commitRequested);
    Error Connect();
    // Connects again when the connection is known to be dead; nothing has been sent then.
    Error ReconnectIfDead();
    bool ConnectionIsDead() const;
    // `unchanged` set: a guarded batch changed no row and everything was rolled back.
    odbc::BatchOutcome RunAtomically(const std::vector<AtomicBatch>& batches, bool* commitRequested,
                                     bool* unchanged);
    // Ends the open transaction and returns to autocommit; a connection where that fails is
    // dropped, so that no later batch runs inside a transaction nobody commits.
    void EndTransaction(SQLSMALLINT completion);

    // Sent on every new connection to SQL Server: the row-count guard needs each statement's
    // count whatever the server's or the login's default, and a lock held elsewhere must stop
    // the run within seconds.
    Error PrepareSession();
    odbc::BatchOutcome Run(const std::string& sql, bool keepFirstResultSet);

    std::string connectionString_;
    OdbcTimeouts timeouts_;
    std::mutex mutex_;
    std::shared_ptr<odbc::EnvironmentHandle> environment_;
    odbc::ConnectionHandle connection_;
    bool broken_ = false;
    SavepointDialect dialect_ = SavepointDialect::Standard;
    WorkThread workThread_;
};

}  // namespace q9
