#include "host/db/scoped_engine.h"

namespace q9 {

RecordsetPtr ScopedEngine::Query(const std::string& sql, Error* error) {
    try {
        return scope_.Query(sql);
    } catch (...) {
        if (error) *error = CurrentExceptionError();
    }
    return nullptr;
}

Outcome ScopedEngine::Execute(const std::string& sql) {
    try {
        scope_.Execute(sql);
        return Outcome::Success();
    } catch (...) {
        return Outcome::Failure(CurrentExceptionError());
    }
}

Outcome ScopedEngine::ExecuteAtomic(const std::vector<std::string>& batches) {
    std::vector<AtomicBatch> unguarded;
    unguarded.reserve(batches.size());
    for (const std::string& sql : batches) unguarded.push_back(AtomicBatch{sql, false});
    return Outcome{ExecuteAtomicGuarded(unguarded).error};
}

AtomicOutcome ScopedEngine::ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) {
    AtomicOutcome outcome;
    try {
        scope_.RunNested([&](TransactionScope& unit) {
            for (const AtomicBatch& batch : batches) {
                if (unit.Execute(batch.sql) == 0 && batch.mustChangeRows) {
                    outcome.unchanged = true;
                    return TransactionEnd::RollBack;
                }
            }
            return TransactionEnd::Commit;
        });
    } catch (...) {
        outcome.error = CurrentExceptionError();
        outcome.unchanged = false;
    }
    return outcome;
}

TransactionOutcome ScopedEngine::RunTransaction(const TransactionWork& work, TransactionRetry) {
    TransactionOutcome outcome;
    try {
        outcome.end = scope_.RunNested(work);
    } catch (...) {
        outcome.error = CurrentExceptionError();
    }
    return outcome;
}

}  // namespace q9
