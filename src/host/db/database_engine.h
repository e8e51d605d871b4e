#pragma once

#include <string>
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

// One account database. Receives the tool's T-SQL text exactly as built.
class DatabaseEngine {
  public:
    virtual ~DatabaseEngine() = default;

    // The file that holds the account, for engines that keep it in a local file; else empty.
    virtual std::string DatabaseFile() const { return {}; }

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
                return {Error{error_number::kDatabase,
                              "This database engine cannot check the rows a statement changed"}};
            }
            plain.push_back(batch.sql);
        }
        return {ExecuteAtomic(plain).error};
    }
};

}  // namespace q9
