#include "host/db/odbc_diagnostics.h"

#include <algorithm>

#include "host/db/odbc_text.h"

namespace q9::odbc {

bool DiagnosticRecord::IsFailure() const {
    return !(sqlState.starts_with("00") || sqlState.starts_with("01"));
}

bool DiagnosticRecord::IsConnectionFailure() const {
    return sqlState.starts_with("08");
}

bool DiagnosticRecord::IsUnavailability() const {
    constexpr int32_t kSqlServerLockTimeout = 1222;
    return IsConnectionFailure() || sqlState == "HYT00" || sqlState == "HYT01" ||
           nativeError == kSqlServerLockTimeout;
}

Diagnostics ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    Diagnostics records;
    if (handle == SQL_NULL_HANDLE) return records;
    for (SQLSMALLINT number = 1;; ++number) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        WideText message(1024);
        SQLSMALLINT length = 0;
        SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, number, state, &nativeError, message.data(),
                           static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(static_cast<size_t>(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, number, state, &nativeError, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc)) break;
        const size_t messageLength =
            std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), message.size() - 1);
        records.push_back(DiagnosticRecord{WideToUtf8(state, 5), nativeError,
                                           WideToUtf8(message.data(), messageLength)});
    }
    return records;
}

bool HasFailure(const Diagnostics& records) {
    return std::any_of(records.begin(), records.end(),
                       [](const DiagnosticRecord& r) { return r.IsFailure(); });
}

bool HasConnectionFailure(const Diagnostics& records) {
    return std::any_of(records.begin(), records.end(),
                       [](const DiagnosticRecord& r) { return r.IsConnectionFailure(); });
}

Error ErrorFromDiagnostics(const Diagnostics& records, const std::string& fallback) {
    Error error = DatabaseError(error_number::kDatabase, {});
    bool first = true;
    std::vector<std::string> seen;
    // The driver manager reports some failures (a driver library that will not load) under a
    // warning state only; then those records are the reason.
    const bool failuresOnly = HasFailure(records);
    for (const DiagnosticRecord& record : records) {
        if (failuresOnly && !record.IsFailure()) continue;
        if (record.IsFailure() && record.IsUnavailability()) error.kind = ErrorKind::Unavailable;
        std::string text = record.message + " (SQLSTATE " + record.sqlState + ")";
        if (std::find(seen.begin(), seen.end(), text) != seen.end()) continue;
        if (first) {
            if (record.nativeError != 0) error.number = record.nativeError;
            first = false;
        } else {
            error.description += "; ";
        }
        error.description += text;
        seen.push_back(std::move(text));
    }
    if (first) error.description = fallback;
    return error;
}

}  // namespace q9::odbc
