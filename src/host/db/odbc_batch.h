#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "host/error.h"
#include "host/recordset.h"

namespace q9::odbc {

struct BatchOutcome {
    RecordsetPtr firstResultSet;  // only when asked for, and only when the batch had one
    Error error;                  // the batch's first failure
    bool connectionLost = false;  // a class 08 record was seen: the connection is unusable
    // Rows changed by the batch's statements, as each statement's row count reports them.
    SQLLEN rowsChanged = 0;

    bool ok() const { return !error.IsSet(); }
};

// Sends the text unchanged in one call and drains every result and message it produces, so
// that a failure in any of its statements is seen, not only one in the first.
BatchOutcome RunBatch(SQLHDBC connection, const std::string& sql, bool keepFirstResultSet);

}  // namespace q9::odbc
