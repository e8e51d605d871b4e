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
    // The last row count the batch reported: the rows its last INSERT, UPDATE or DELETE
    // changed. SQL Server sends the counts of the statements a trigger runs ahead of the count
    // of the statement that fired it, so the last count is that statement's own.
    SQLLEN lastStatementRows = 0;

    bool ok() const { return !error.IsSet(); }
};

// Sends the text unchanged in one call and drains every result and message it produces, so
// that a failure in any of its statements is seen, not only one in the first. The driver stops
// the batch after `queryTimeoutSeconds`.
BatchOutcome RunBatch(SQLHDBC connection, const std::string& sql, bool keepFirstResultSet,
                      SQLULEN queryTimeoutSeconds);

}  // namespace q9::odbc
