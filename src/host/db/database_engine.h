#pragma once

#include <string>
#include <vector>

#include "host/error.h"
#include "host/recordset.h"

namespace q9 {

// One account database. Receives the tool's T-SQL text exactly as built.
class DatabaseEngine {
  public:
    virtual ~DatabaseEngine() = default;

    // Rows of a query, or nullptr with `error` filled.
    virtual RecordsetPtr Query(const std::string& sql, Error* error) = 0;

    // Runs a batch of one or more statements. Statements before a failing one stay applied, as
    // on the host's server without an explicit transaction.
    virtual Outcome Execute(const std::string& sql) = 0;

    // Runs the batches in order inside one transaction: all of their statements or none.
    virtual Outcome ExecuteAtomic(const std::vector<std::string>& batches) = 0;
};

}  // namespace q9
