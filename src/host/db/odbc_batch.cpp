#include "host/db/odbc_batch.h"

#include "host/db/odbc_diagnostics.h"
#include "host/db/odbc_handles.h"
#include "host/db/odbc_result_reader.h"
#include "host/db/odbc_text.h"

namespace q9::odbc {
namespace {

class BatchDrain {
  public:
    BatchDrain(SQLHSTMT statement, bool keepFirstResultSet)
        : statement_(statement), keepFirstResultSet_(keepFirstResultSet) {}

    // Handles the answer to SQLExecDirect or SQLMoreResults; false when draining must stop.
    bool Take(SQLRETURN rc, const char* call) {
        switch (rc) {
            case SQL_SUCCESS:
                ReadResult();
                return true;
            case SQL_SUCCESS_WITH_INFO:
                // Messages (PRINT, warnings) and, on SQL Server, the failure of a statement in
                // the middle of a batch that went on.
                Note(ReadDiagnostics(SQL_HANDLE_STMT, statement_), call);
                ReadResult();
                return true;
            case SQL_NO_DATA:
                return true;
            case SQL_ERROR: {
                Diagnostics records = ReadDiagnostics(SQL_HANDLE_STMT, statement_);
                const bool stuck = records == lastFailure_ || HasConnectionFailure(records) ||
                                   IsSequenceError(records);
                FailWith(records, call);
                lastFailure_ = std::move(records);
                return !stuck;
            }
            default:
                FailWith({}, call);
                return false;
        }
    }

    BatchOutcome Finish() { return std::move(outcome_); }

  private:
    static bool IsSequenceError(const Diagnostics& records) {
        for (const DiagnosticRecord& r : records) {
            if (r.sqlState == "HY010") return true;
        }
        return false;
    }

    void ReadResult() {
        SQLSMALLINT columns = 0;
        if (!SQL_SUCCEEDED(SQLNumResultCols(statement_, &columns))) {
            FailWith(ReadDiagnostics(SQL_HANDLE_STMT, statement_), "SQLNumResultCols");
            return;
        }
        if (columns <= 0) {
            // -1: no count for this result (a statement that changes no rows, or NOCOUNT).
            SQLLEN rows = -1;
            if (SQL_SUCCEEDED(SQLRowCount(statement_, &rows)) && rows >= 0) {
                outcome_.lastStatementRows = rows;
            }
            return;
        }
        if (!keepFirstResultSet_ || outcome_.firstResultSet) return;
        Diagnostics failure;
        RecordsetPtr rows = ReadResultSet(statement_, &failure);
        if (rows) {
            outcome_.firstResultSet = std::move(rows);
        } else {
            FailWith(failure, "SQLFetch");
        }
    }

    void Note(const Diagnostics& records, const char* call) {
        if (HasFailure(records)) FailWith(records, call);
    }

    void FailWith(const Diagnostics& records, const char* call) {
        if (HasConnectionFailure(records)) outcome_.connectionLost = true;
        if (!outcome_.error.IsSet()) {
            outcome_.error = ErrorFromDiagnostics(
                records, std::string(call) + "调用失败，驱动程序没有给出诊断信息");
        }
    }

    SQLHSTMT statement_;
    bool keepFirstResultSet_;
    BatchOutcome outcome_;
    Diagnostics lastFailure_;
};

}  // namespace

BatchOutcome RunBatch(SQLHDBC connection, const std::string& sql, bool keepFirstResultSet,
                      SQLULEN queryTimeoutSeconds) {
    StatementHandle statement;
    if (!SQL_SUCCEEDED(statement.Allocate(connection))) {
        const Diagnostics records = ReadDiagnostics(SQL_HANDLE_DBC, connection);
        BatchOutcome outcome;
        outcome.connectionLost = HasConnectionFailure(records);
        outcome.error = ErrorFromDiagnostics(records, "不能在连接上打开语句");
        return outcome;
    }
    // A driver that cannot time statements out says so with a warning; the batch still runs.
    SQLSetStmtAttr(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(queryTimeoutSeconds), 0);
    BatchDrain drain(statement.get(), keepFirstResultSet);
    WideText text = Utf8ToWide(sql);
    text.push_back(0);
    bool more = drain.Take(SQLExecDirectW(statement.get(), text.data(), SQL_NTS), "SQLExecDirect");
    while (more) {
        const SQLRETURN rc = SQLMoreResults(statement.get());
        if (rc == SQL_NO_DATA) break;
        more = drain.Take(rc, "SQLMoreResults");
    }
    // Whatever the server still holds for this statement is discarded with the handle.
    SQLFreeStmt(statement.get(), SQL_CLOSE);
    BatchOutcome outcome = drain.Finish();
    // Drivers name a lost connection differently (08S01; PostgreSQL's 57P01 after the server
    // ended the session); the driver's own verdict settles it.
    if (!outcome.ok() && !outcome.connectionLost) {
        SQLUINTEGER dead = SQL_CD_FALSE;
        outcome.connectionLost = SQL_SUCCEEDED(SQLGetConnectAttr(
                                     connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
                                 dead == SQL_CD_TRUE;
    }
    if (outcome.connectionLost) outcome.error.kind = ErrorKind::Unavailable;
    return outcome;
}

}  // namespace q9::odbc
