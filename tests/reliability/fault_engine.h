#pragma once

// An account database that numbers every statement reaching it and can make one of them fail, or
// lose the connection from one of them on. It also keeps every text it was sent.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/db/database_engine.h"

namespace q9::reliability {

class FaultEngine : public DatabaseEngine {
  public:
    explicit FaultEngine(std::shared_ptr<DatabaseEngine> inner) : inner_(std::move(inner)) {}

    // Statement `k` (counting from 1) fails without running; 0: none.
    void FailStatement(int k) {
        failAt_ = k;
        dropFrom_ = 0;
    }
    // Statement `k` and every later one fail: the connection is gone.
    void DropConnectionFrom(int k) {
        dropFrom_ = k;
        failAt_ = 0;
    }

    // The `k`-th transaction (counting from 1) that holds savepoints, as a group of lines does,
    // is rolled back instead of committed and fails with `kind`; 0: none.
    void LoseGroupCommit(int k, ErrorKind kind) {
        loseGroup_ = k;
        lostKind_ = kind;
    }

    LineCommits LineCommitting() const override { return inner_->LineCommitting(); }
    RecordsetPtr Query(const std::string& sql, Error* error) override;
    Outcome Execute(const std::string& sql) override;
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override;
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) override;
    // Every read and statement of the unit of work is numbered like a batch of its own.
    TransactionOutcome RunTransaction(const TransactionWork& work,
                                      TransactionRetry retry = TransactionRetry::Never) override;

    // For proving the checks: a failing transaction keeps what ran before the failure, as an
    // engine without real transactions would.
    void KeepPartialWork() { keepPartial_ = true; }

    // Transactions that held savepoints so far, and how many of them were lost.
    int groups() const { return groups_; }
    int lostGroups() const { return lostGroups_; }
    // Statements numbered so far.
    int statements() const { return numbered_; }
    // Every batch text sent, in order, whether it ran or not.
    const std::vector<std::string>& sent() const { return sent_; }
    // The description of the first injected failure; empty when none was injected.
    const std::string& injected() const { return injected_; }
    // The message an injected failure carries.
    static std::string FaultMessage(int statement);

    // The statements of a batch as the embedded engine sees them (1 when it cannot tell).
    static int CountStatements(const std::string& sql);
    // The text of a batch's first `count` statements; false when the batch cannot be cut there.
    static bool StatementPrefix(const std::string& sql, int count, std::string* prefix);

  private:
    friend class NumberedScope;

    // Numbers a batch's statements; the 1-based index inside it of the first one that fails, or 0.
    int Number(const std::string& sql);
    Error Fault();

    std::shared_ptr<DatabaseEngine> inner_;
    int failAt_ = 0;
    int dropFrom_ = 0;
    int numbered_ = 0;
    bool keepPartial_ = false;
    int loseGroup_ = 0;
    ErrorKind lostKind_ = ErrorKind::Statement;
    int nestedUnits_ = 0;
    int groups_ = 0;
    int lostGroups_ = 0;
    std::string injected_;
    std::vector<std::string> sent_;
};

}  // namespace q9::reliability
