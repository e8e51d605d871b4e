#include "host/db/odbc_result_reader.h"

#include <array>
#include <string>
#include <vector>

#include "host/db/odbc_text.h"

namespace q9::odbc {
namespace {

enum class FetchAs { Integer, Floating, Decimal, Text };

FetchAs FetchAsFor(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_BIT:
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            return FetchAs::Integer;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return FetchAs::Floating;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return FetchAs::Decimal;
        default:
            return FetchAs::Text;
    }
}

struct Column {
    std::string name;
    FetchAs fetchAs = FetchAs::Text;
};

class RowReader {
  public:
    RowReader(SQLHSTMT statement, Diagnostics* failure)
        : statement_(statement), failure_(failure) {}

    bool ReadColumns(std::vector<Column>* columns) {
        SQLSMALLINT count = 0;
        if (!Check(SQLNumResultCols(statement_, &count))) return false;
        for (SQLUSMALLINT number = 1; number <= static_cast<SQLUSMALLINT>(count); ++number) {
            WideText name(256);
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT sqlType = 0;
            SQLULEN size = 0;
            SQLSMALLINT digits = 0;
            SQLSMALLINT nullable = 0;
            SQLRETURN rc = SQLDescribeColW(statement_, number, name.data(),
                                           static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                           &sqlType, &size, &digits, &nullable);
            if (SQL_SUCCEEDED(rc) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
                name.resize(static_cast<size_t>(nameLength) + 1);
                rc = SQLDescribeColW(statement_, number, name.data(),
                                     static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType,
                                     &size, &digits, &nullable);
            }
            if (!Check(rc)) return false;
            const size_t length = std::min(
                static_cast<size_t>(std::max<SQLSMALLINT>(nameLength, 0)), name.size() - 1);
            columns->push_back(Column{WideToUtf8(name.data(), length), FetchAsFor(sqlType)});
        }
        return true;
    }

    bool ReadValue(SQLUSMALLINT number, FetchAs fetchAs, Value* value) {
        switch (fetchAs) {
            case FetchAs::Integer: {
                SQLBIGINT number64 = 0;
                SQLLEN indicator = 0;
                if (!Check(SQLGetData(statement_, number, SQL_C_SBIGINT, &number64, 0, &indicator)))
                    return false;
                *value = indicator == SQL_NULL_DATA ? Value() : Value(int64_t{number64});
                return true;
            }
            case FetchAs::Floating: {
                SQLDOUBLE real = 0;
                SQLLEN indicator = 0;
                if (!Check(SQLGetData(statement_, number, SQL_C_DOUBLE, &real, 0, &indicator)))
                    return false;
                *value = indicator == SQL_NULL_DATA ? Value() : Value(double{real});
                return true;
            }
            case FetchAs::Decimal: {
                // Precision is at most 38 digits: sign, point and terminator fit easily.
                std::array<SQLCHAR, 96> digits{};
                SQLLEN indicator = 0;
                if (!Check(SQLGetData(statement_, number, SQL_C_CHAR, digits.data(),
                                      static_cast<SQLLEN>(digits.size()), &indicator)))
                    return false;
                if (indicator == SQL_NULL_DATA) {
                    *value = Value();
                } else {
                    *value = DecimalTextToValue(reinterpret_cast<const char*>(digits.data()));
                }
                return true;
            }
            case FetchAs::Text:
                return ReadText(number, value);
        }
        return false;
    }

  private:
    // Long text arrives in pieces; each piece but the last fills the buffer but for its
    // terminator.
    bool ReadText(SQLUSMALLINT number, Value* value) {
        constexpr size_t kChunk = 2048;
        std::array<SQLWCHAR, kChunk> buffer{};
        WideText text;
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN rc = SQLGetData(statement_, number, SQL_C_WCHAR, buffer.data(),
                                            sizeof(buffer), &indicator);
            if (rc == SQL_NO_DATA) break;
            if (!Check(rc)) return false;
            if (indicator == SQL_NULL_DATA) {
                *value = Value();
                return true;
            }
            const bool truncated =
                rc == SQL_SUCCESS_WITH_INFO &&
                (indicator == SQL_NO_TOTAL ||
                 indicator > static_cast<SQLLEN>(sizeof(buffer) - sizeof(SQLWCHAR)));
            const size_t units =
                truncated ? kChunk - 1
                          : std::min(static_cast<size_t>(indicator) / sizeof(SQLWCHAR), kChunk - 1);
            text.insert(text.end(), buffer.begin(), buffer.begin() + static_cast<long>(units));
            if (!truncated) break;
        }
        *value = Value(WideToUtf8(text));
        return true;
    }

    bool Check(SQLRETURN rc) {
        if (SQL_SUCCEEDED(rc)) return true;
        *failure_ = ReadDiagnostics(SQL_HANDLE_STMT, statement_);
        return false;
    }

    SQLHSTMT statement_;
    Diagnostics* failure_;
};

}  // namespace

RecordsetPtr ReadResultSet(SQLHSTMT statement, Diagnostics* failure) {
    RowReader reader(statement, failure);
    std::vector<Column> columns;
    if (!reader.ReadColumns(&columns)) return nullptr;
    std::vector<Recordset::Row> rows;
    for (;;) {
        const SQLRETURN rc = SQLFetch(statement);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) {
            *failure = ReadDiagnostics(SQL_HANDLE_STMT, statement);
            return nullptr;
        }
        Recordset::Row row(columns.size());
        for (size_t i = 0; i < columns.size(); ++i) {
            if (!reader.ReadValue(static_cast<SQLUSMALLINT>(i + 1), columns[i].fetchAs, &row[i]))
                return nullptr;
        }
        rows.push_back(std::move(row));
    }
    std::vector<std::string> names;
    names.reserve(columns.size());
    for (Column& column : columns) names.push_back(std::move(column.name));
    return std::make_shared<Recordset>(std::move(names), std::move(rows));
}

}  // namespace q9::odbc
