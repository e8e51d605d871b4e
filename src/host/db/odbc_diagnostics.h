#pragma once

// Diagnostic records of an ODBC handle and the tool's error made from them.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/error.h"

namespace q9::odbc {

struct DiagnosticRecord {
    std::string sqlState;
    int32_t nativeError = 0;
    std::string message;

    // Classes 00 and 01 (success with a note, warnings, PRINT output) are not failures.
    bool IsFailure() const;
    // Class 08: the connection is gone or was never made.
    bool IsConnectionFailure() const;
    // The connection is gone, the driver's timeout ran out (HYT00, HYT01) or SQL Server gave up
    // waiting for a lock (1222): the account cannot be worked on now.
    bool IsUnavailability() const;

    bool operator==(const DiagnosticRecord&) const = default;
};

using Diagnostics = std::vector<DiagnosticRecord>;

// Every record pending on the handle. Must be read before the next call on that handle.
Diagnostics ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

bool HasFailure(const Diagnostics& records);
bool HasConnectionFailure(const Diagnostics& records);

// The first failure's native number (kDatabase when the driver gives none) and its message
// with its SQLSTATE; further distinct failures follow after "; ". ErrorKind::Unavailable when
// one of the failures is an unavailability. Without a failure record the
// other records are the reason; `fallback` describes a failure the driver left no record for.
Error ErrorFromDiagnostics(const Diagnostics& records, const std::string& fallback);

}  // namespace q9::odbc
