#pragma once

#include <string>
#include <vector>

#include "host/db/database_engine.h"

namespace q9 {

// The account database seen from inside an open unit of work: every query and statement joins
// that transaction, and every atomic run or unit of work becomes a savepoint of it, with the
// engine's own semantics. All of it goes when the enclosing transaction is rolled back, which is
// how a whole run can be computed by the database without leaving anything behind.
class ScopedEngine final : public DatabaseEngine {
  public:
    explicit ScopedEngine(TransactionScope& scope) : scope_(scope) {}

    RecordsetPtr Query(const std::string& sql, Error* error) override;
    Outcome Execute(const std::string& sql) override;
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override;
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) override;
    // A savepoint cannot outlive its connection: `retry` has nothing to do here.
    TransactionOutcome RunTransaction(const TransactionWork& work,
                                      TransactionRetry retry = TransactionRetry::Never) override;

  private:
    TransactionScope& scope_;
};

}  // namespace q9
