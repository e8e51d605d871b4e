#include "host/db/sqlite_value.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "host/db/exact_decimal.h"
#include "host/db/sqlite_handles.h"
#include "host/error.h"

namespace q9 {

namespace {

// The plain "[-]digits[.digits]" a decimal column stores, short enough that reading it exactly
// cannot round: its significant digits (leading zeros and trailing decimal zeros not counted)
// without parsing it, or -1 for any other form.
int PlainSignificantDigits(std::string_view text) {
    constexpr size_t kLongest = 39;  // at most 38 decimals
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() > kLongest || i == text.size()) return -1;
    size_t first = std::string_view::npos;
    size_t last = 0;
    size_t point = std::string_view::npos;
    int digits = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && point == std::string_view::npos) {
            point = i;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            if (c != '0') {
                if (first == std::string_view::npos) first = i;
                last = i;
            }
        } else {
            return -1;
        }
    }
    if (digits == 0) return -1;
    if (first == std::string_view::npos) return 0;
    // Zeros of the whole part count; those after the last other decimal do not.
    const size_t lastKept = point == std::string_view::npos ? text.size() - 1
                            : last > point                  ? last
                                                            : point - 1;
    const bool pointWithin = point != std::string_view::npos && point > first && point < lastKept;
    return static_cast<int>(lastKept - first + 1) - (pointWithin ? 1 : 0);
}

// A decimal reaches the tool as the host's driver hands it over: a double while 15 significant
// digits hold it exactly, its text beyond.
template <class Cell>
Value DecimalValue(const Cell& cell) {
    const std::string_view digits = cell.Text();
    // Every stored amount of every captured row comes this way: the plain form without a parse.
    if (const int significant = PlainSignificantDigits(digits);
        significant >= 0 && significant <= 15) {
        if (significant == 0) return Value(0.0);
        double number = 0;
        const char* const last = digits.data() + digits.size();
        if (const auto read = std::from_chars(digits.data(), last, number);
            read.ec == std::errc{} && read.ptr == last) {
            return Value(number);
        }
    }
    const std::optional<decimal::Decimal> value = decimal::Parse(digits);
    if (!value) return Value(std::string(digits));
    if (decimal::SignificantDigits(*value) > 15) return Value(decimal::ToText(*value));
    if (value->IsZero()) return Value(0.0);
    // Exact in 15 digits: the stored text reads as the same double as its shortest form.
    double number = 0;
    const char* const last = digits.data() + digits.size();
    if (const auto read = std::from_chars(digits.data(), last, number);
        read.ec == std::errc{} && read.ptr == last) {
        return Value(number);
    }
    return Value(decimal::ToDouble(*value));
}

template <class Cell>
Value CellValue(const Cell& cell, bool decimal) {
    switch (cell.Type()) {
        case SQLITE_INTEGER:
            if (decimal) return Value(static_cast<double>(cell.Integer()));
            return Value(static_cast<int64_t>(cell.Integer()));
        case SQLITE_FLOAT:
            return Value(cell.Floating());
        case SQLITE_NULL:
            return Value();
        default: {
            if (decimal) return DecimalValue(cell);
            return Value(std::string(cell.Text()));
        }
    }
}

// A result column, read with the column functions.
struct ColumnCell {
    sqlite3_stmt* statement;
    int column;
    int Type() const { return sqlite3_column_type(statement, column); }
    sqlite3_int64 Integer() const { return sqlite3_column_int64(statement, column); }
    double Floating() const { return sqlite3_column_double(statement, column); }
    std::string_view Text() const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return {text ? text : "", static_cast<size_t>(sqlite3_column_bytes(statement, column))};
    }
};

// A value handed over by SQLite itself, as a changed row's are.
struct ValueCell {
    sqlite3_value* value;
    int Type() const { return sqlite3_value_type(value); }
    sqlite3_int64 Integer() const { return sqlite3_value_int64(value); }
    double Floating() const { return sqlite3_value_double(value); }
    std::string_view Text() const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return {text ? text : "", static_cast<size_t>(sqlite3_value_bytes(value))};
    }
};

}  // namespace

Value StoredValue(sqlite3_stmt* statement, int column, bool decimal) {
    return CellValue(ColumnCell{statement, column}, decimal);
}

Value StoredValue(sqlite3_value* value, bool decimal) {
    return CellValue(ValueCell{value}, decimal);
}

void BindStoredValue(sqlite3* db, sqlite3_stmt* statement, int index, const Value& value) {
    int rc = SQLITE_OK;
    switch (value.kind()) {
        case Value::Kind::Null:
            rc = sqlite3_bind_null(statement, index);
            break;
        case Value::Kind::Integer:
            rc = sqlite3_bind_int64(statement, index, value.AsInteger());
            break;
        case Value::Kind::Floating:
            rc = sqlite3_bind_double(statement, index, value.AsFloating());
            break;
        case Value::Kind::Text:
            rc = sqlite3_bind_text(statement, index, value.AsText().data(),
                                   static_cast<int>(value.AsText().size()), SQLITE_STATIC);
            break;
        case Value::Kind::Object:
            throw HostError(error_number::kTypeMismatch, "对象不能写入SQL");
    }
    if (rc != SQLITE_OK) throw HostError(sqlite::LastError(db));
}

}  // namespace q9
