#pragma once

#include <sql.h>
#include <sqlext.h>

#include "host/db/odbc_diagnostics.h"
#include "host/recordset.h"

namespace q9::odbc {

// Reads every row of the statement's current result set. Column names stay as the server gives
// them, duplicates included; integers come back as integers, floating types as doubles,
// decimals exactly (see DecimalTextToValue), everything else as UTF-8 text, NULL as null.
// On failure returns nullptr with the driver's records in `failure`.
RecordsetPtr ReadResultSet(SQLHSTMT statement, Diagnostics* failure);

}  // namespace q9::odbc
