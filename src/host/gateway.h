#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/db/database_engine.h"

namespace q9 {

// The data-access component: created per call on the session's account database. Cheap: the
// engine keeps its connection for the session.
class AppConnection {
  public:
    explicit AppConnection(std::shared_ptr<DatabaseEngine> engine) : engine_(std::move(engine)) {}
    RecordsetPtr GetAnyRecordset(const std::string& sql, Error* error);
    Outcome Execute(const std::string& sql);
    Outcome ExecuteAtomic(const std::vector<std::string>& batches);
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches);
    TransactionOutcome RunTransaction(const TransactionWork& work, TransactionRetry retry);

  private:
    std::shared_ptr<DatabaseEngine> engine_;
};

// All SQL the tool sends goes through here.
class Gateway {
  public:
    using EngineSource = std::function<std::shared_ptr<DatabaseEngine>()>;

    // Works on whatever account database the session has open when a call is made.
    explicit Gateway(EngineSource engineOfSession) : engineOfSession_(std::move(engineOfSession)) {}
    explicit Gateway(std::shared_ptr<DatabaseEngine> engine)
        : engineOfSession_([engine] { return engine; }) {}

    // The host's contract: failures are swallowed.
    RecordsetPtr OpenRecordset(const std::string& sql);  // nullptr when anything fails
    void ExecuteSql(const std::string& sql);

    // The same calls with their outcome, for callers that must not report a failure as success.
    RecordsetPtr TryOpenRecordset(const std::string& sql, Error* error);
    Outcome Execute(const std::string& sql);
    // All batches in one transaction: every statement or none.
    Outcome ExecuteAtomic(const std::vector<std::string>& batches);
    // The same, rolled back without failing when a batch marked `mustChangeRows` changes no row.
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches);
    // One unit of work: its queries and statements in one transaction, committed or rolled back
    // as the work answers; a failure inside it rolls it back. The work reaches the database only
    // through the scope it is given.
    TransactionOutcome RunTransaction(const TransactionWork& work,
                                      TransactionRetry retry = TransactionRetry::Never);

    std::shared_ptr<DatabaseEngine> engine() const { return engineOfSession_(); }
    LineCommits LineCommitting() const;

  private:
    AppConnection CreateConnection() const;

    EngineSource engineOfSession_;
};

}  // namespace q9
