#include "reliability/fault_engine.h"

#include <optional>

#include "host/db/tsql_translator.h"

namespace q9::reliability {

namespace {

// A statement the database refuses, run in place of the failing one inside a transaction so that
// the engine itself rolls back what came before.
constexpr const char* kRefusedStatement = "UPDATE t_InjectedFault SET FValue=1 WHERE FKey=1";

}  // namespace

// The scope of a unit of work seen through the fault engine. With partial work kept, a fault
// commits what ran before it and is thrown on after the savepoint or transaction has ended.
class NumberedScope : public TransactionScope {
  public:
    NumberedScope(FaultEngine& engine, TransactionScope& inner) : engine_(engine), inner_(inner) {}

    RecordsetPtr Query(const std::string& sql) override {
        if (engine_.Number(sql) != 0) throw HostError(engine_.Fault());
        return inner_.Query(sql);
    }
    int64_t Execute(const std::string& sql) override {
        const int failing = engine_.Number(sql);
        if (failing == 0) return inner_.Execute(sql);
        std::string prefix;
        if (engine_.keepPartial_ && failing > 1 &&
            FaultEngine::StatementPrefix(sql, failing - 1, &prefix)) {
            (void)inner_.Execute(prefix);
        }
        throw HostError(engine_.Fault());
    }
    TransactionEnd RunNested(const TransactionWork& work) override {
        std::optional<Error> fault;
        ++engine_.nestedUnits_;
        const TransactionEnd end = inner_.RunNested(Wrap(engine_, work, fault));
        if (fault) throw HostError(*fault);
        return end;
    }

    static TransactionWork Wrap(FaultEngine& engine, const TransactionWork& work,
                                std::optional<Error>& fault) {
        return [&engine, &work, &fault](TransactionScope& inner) {
            NumberedScope scope(engine, inner);
            try {
                return work(scope);
            } catch (const HostError& error) {
                if (!engine.keepPartial_) throw;
                fault = error.error();
                return TransactionEnd::Commit;
            }
        };
    }

  private:
    FaultEngine& engine_;
    TransactionScope& inner_;
};

std::string FaultEngine::FaultMessage(int statement) {
    return "Communication link failure (injected at statement " + std::to_string(statement) + ")";
}

int FaultEngine::CountStatements(const std::string& sql) {
    try {
        const size_t count = tsql::Translate(sql).statements.size();
        return count == 0 ? 1 : static_cast<int>(count);
    } catch (const std::exception&) {
        return 1;
    }
}

bool FaultEngine::StatementPrefix(const std::string& sql, int count, std::string* prefix) {
    if (count <= 0) {
        prefix->clear();
        return true;
    }
    const int total = CountStatements(sql);
    for (size_t cut = sql.find("\r\n"); cut != std::string::npos; cut = sql.find("\r\n", cut + 2)) {
        const std::string head = sql.substr(0, cut);
        const std::string tail = sql.substr(cut + 2);
        try {
            if (static_cast<int>(tsql::Translate(head).statements.size()) != count) continue;
            if (static_cast<int>(tsql::Translate(tail).statements.size()) != total - count) {
                continue;
            }
        } catch (const std::exception&) {
            continue;
        }
        *prefix = head;
        return true;
    }
    return false;
}

int FaultEngine::Number(const std::string& sql) {
    sent_.push_back(sql);
    const int count = CountStatements(sql);
    for (int i = 1; i <= count; ++i) {
        ++numbered_;
        const bool fails = numbered_ == failAt_ || (dropFrom_ > 0 && numbered_ >= dropFrom_);
        if (fails) return i;
    }
    return 0;
}

Error FaultEngine::Fault() {
    Error error{error_number::kDatabase, FaultMessage(numbered_)};
    if (injected_.empty()) injected_ = error.description;
    return error;
}

RecordsetPtr FaultEngine::Query(const std::string& sql, Error* error) {
    if (Number(sql) != 0) {
        if (error) *error = Fault();
        return nullptr;
    }
    return inner_->Query(sql, error);
}

Outcome FaultEngine::Execute(const std::string& sql) {
    const int failing = Number(sql);
    if (failing == 0) return inner_->Execute(sql);
    // Without a transaction the statements before the failing one stay, as on the server.
    std::string prefix;
    if (failing > 1 && StatementPrefix(sql, failing - 1, &prefix)) (void)inner_->Execute(prefix);
    return Outcome::Failure(Fault());
}

Outcome FaultEngine::ExecuteAtomic(const std::vector<std::string>& batches) {
    std::vector<AtomicBatch> plain;
    for (const std::string& sql : batches) plain.push_back({sql, false});
    return Outcome{ExecuteAtomicGuarded(plain).error};
}

AtomicOutcome FaultEngine::ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) {
    for (size_t b = 0; b < batches.size(); ++b) {
        const int failing = Number(batches[b].sql);
        if (failing == 0) continue;
        // The statements before the failing one run inside the transaction, then it is refused.
        std::vector<std::string> partial;
        for (size_t i = 0; i < b; ++i) partial.push_back(batches[i].sql);
        std::string prefix;
        if (failing > 1 && StatementPrefix(batches[b].sql, failing - 1, &prefix)) {
            partial.push_back(prefix);
        }
        if (keepPartial_) {
            for (const std::string& sql : partial) (void)inner_->Execute(sql);
            return {Fault()};
        }
        partial.push_back(kRefusedStatement);
        const Outcome refused = inner_->ExecuteAtomic(partial);
        if (refused.ok()) return {Error{error_number::kDatabase, "the refused statement ran"}};
        return {Fault()};
    }
    return inner_->ExecuteAtomicGuarded(batches);
}

}  // namespace q9::reliability

namespace q9::reliability {

TransactionOutcome FaultEngine::RunTransaction(const TransactionWork& work,
                                               TransactionRetry retry) {
    std::optional<Error> fault;
    const TransactionWork numbered = NumberedScope::Wrap(*this, work, fault);
    bool lost = false;
    TransactionOutcome outcome = inner_->RunTransaction(
        [&](TransactionScope& inner) {
            const int nestedBefore = nestedUnits_;
            const TransactionEnd end = numbered(inner);
            if (end != TransactionEnd::Commit || nestedUnits_ == nestedBefore) return end;
            lost = ++groups_ == loseGroup_;
            return lost ? TransactionEnd::RollBack : end;
        },
        retry);
    if (lost) {
        ++lostGroups_;
        Error error{error_number::kDatabase, "disk I/O error (injected at the commit of group " +
                                                 std::to_string(loseGroup_) + ")"};
        error.kind = lostKind_;
        // A commit the tool takes again is no failure to show.
        if (lostKind_ == ErrorKind::Unavailable && injected_.empty()) {
            injected_ = error.description;
        }
        return {error};
    }
    if (fault) return {*fault};
    return outcome;
}

}  // namespace q9::reliability
