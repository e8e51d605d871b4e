#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/error.h"
#include "host/recordset.h"

namespace q9 {

// One batch of a guarded atomic run.
struct AtomicBatch {
    std::string sql;
    // When the batch's own statements change no row, the whole run is rolled back.
    bool mustChangeRows = false;
};

// How a guarded atomic run ended; only a committed run left anything behind.
struct AtomicOutcome {
    Error error;             // a statement failed
    bool unchanged = false;  // a batch that must change rows changed none
    bool committed() const { return !error.IsSet() && !unchanged; }
};

// How the lines of a run may share transactions.
enum class LineCommits {
    // Each line's unit of work is a transaction of its own.
    EachLine,
    // A few lines' units of work, each a savepoint of its own, in one transaction: each line is
    // still all or nothing, and a kill leaves what a kill a moment earlier would have left.
    // For engines whose commit costs more than a line's work.
    InShortGroups,
};

// How a unit of work asks its transaction to end.
enum class TransactionEnd { Commit, RollBack };

// Whether a unit of work may be run once more from its start when the connection is lost before
// its commit (the server has then rolled it back). Only work that keeps nothing of an earlier
// attempt may say so.
enum class TransactionRetry { Never, AfterLostConnection };

// The rows of a table whose columns hold the given whole numbers: those a unit of work may change.
struct RowFilter {
    std::string table;
    std::vector<std::pair<std::string, int64_t>> equal;
    // Told of every row even where unchanged: the columns that name a row.
    std::vector<std::string> keys;
};

// The rows a filter matched, each as it was before its first change and as it is after its last:
// in both where it was changed, in one of them only where it appeared or went. Rows left as they
// were are in neither. In a row told in both, a column that no statement changed and that is not
// among the filter's keys may be null in both, whatever it holds.
struct WatchedRows {
    RecordsetPtr before;
    RecordsetPtr after;
};

// What the statements of a unit of work change while it lives.
class ChangeWatch {
  public:
    virtual ~ChangeWatch() = default;
    // By filter, in their order; throws HostError.
    virtual std::vector<WatchedRows> Take() = 0;
};

class TransactionScope;
enum class RowsInsert { Inserted, NotSupported };
using TransactionWork = std::function<TransactionEnd(TransactionScope&)>;

// The reads and statements of one unit of work, all inside its transaction. Every failure
// throws HostError; the transaction is then rolled back. The engine itself must not be called
// while the work runs: it answers such a call with a failure.
class TransactionScope {
  public:
    virtual ~TransactionScope() = default;

    // Rows of the first result of the batch; throws when it has none.
    virtual RecordsetPtr Query(const std::string& sql) = 0;
    // Runs a batch; the rows its last INSERT, UPDATE or DELETE statement itself changed (as
    // sqlite3_changes or SQL Server's count of the statement report it; rows changed by
    // triggers not counted).
    virtual int64_t Execute(const std::string& sql) = 0;
    // Runs `work` inside a savepoint of this transaction. RollBack undoes only what `work` did;
    // Commit keeps it as part of the enclosing transaction. A failure inside `work` undoes what
    // it did and is thrown on.
    virtual TransactionEnd RunNested(const TransactionWork& work) = 0;
    // Inserts `rows` into `table`, each row a value per column of `columns`, with the values
    // bound rather than written into SQL text. NotSupported, having done nothing, where the
    // engine cannot store them exactly as an INSERT of their literals would: the caller then
    // writes that INSERT. Throws HostError as Execute does.
    virtual RowsInsert InsertRows(const std::string& table, const std::vector<std::string>& columns,
                                  const std::vector<std::vector<Value>>& rows) {
        (void)table;
        (void)columns;
        (void)rows;
        return RowsInsert::NotSupported;
    }
    // The rows the next statements change, told by the engine as it changes them; null where it
    // cannot tell them, and they must be read before and after.
    virtual std::unique_ptr<ChangeWatch> WatchChanges(const std::vector<RowFilter>& filters) {
        (void)filters;
        return nullptr;
    }
};

// How a unit of work ended; only a committed one left anything behind.
struct TransactionOutcome {
    Error error;  // the work or the commit failed
    TransactionEnd end = TransactionEnd::RollBack;
    bool committed() const { return !error.IsSet() && end == TransactionEnd::Commit; }
};

// One account database. Receives the tool's T-SQL text exactly as built.
class DatabaseEngine {
  public:
    virtual ~DatabaseEngine() = default;

    // The file that holds the account, for engines that keep it in a local file; else empty.
    virtual std::string DatabaseFile() const { return {}; }

    virtual LineCommits LineCommitting() const { return LineCommits::EachLine; }

    // Rows of a query, or nullptr with `error` filled.
    virtual RecordsetPtr Query(const std::string& sql, Error* error) = 0;

    // Runs a batch of one or more statements. Statements before a failing one stay applied, as
    // on the host's server without an explicit transaction.
    virtual Outcome Execute(const std::string& sql) = 0;

    // Runs the batches in order inside one transaction: all of their statements or none.
    virtual Outcome ExecuteAtomic(const std::vector<std::string>& batches) = 0;

    // As ExecuteAtomic, and rolled back when a batch marked `mustChangeRows` changes no row. Such
    // a batch is one INSERT, UPDATE or DELETE; its count is the rows that statement itself
    // changed (as sqlite3_changes or SQL Server's count of the statement report it, whatever
    // the server's NOCOUNT default; rows changed by triggers not counted).
    // Engines that can count override this; the fallback refuses guarded runs rather than commit
    // them unchecked.
    virtual AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) {
        std::vector<std::string> plain;
        for (const AtomicBatch& batch : batches) {
            if (batch.mustChangeRows) {
                return {Error{error_number::kDatabase, "该数据库引擎不能检查语句修改的行数"}};
            }
            plain.push_back(batch.sql);
        }
        return {ExecuteAtomic(plain).error};
    }

    // Runs `work` inside one transaction, committed or rolled back as it answers. Engines that
    // have transactions override this; the fallback refuses rather than run the work unguarded.
    virtual TransactionOutcome RunTransaction(const TransactionWork& work,
                                              TransactionRetry retry = TransactionRetry::Never) {
        (void)work;
        (void)retry;
        return {Error{error_number::kDatabase, "该数据库引擎不能在一个事务中执行一组操作"}};
    }
};

}  // namespace q9
