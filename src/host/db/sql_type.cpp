#include "host/db/sql_type.h"

#include <algorithm>
#include <cstdlib>

namespace q9::tsql {

namespace {

constexpr int kMaxPrecision = 38;

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

// An integer operand takes part in decimal arithmetic as DECIMAL(p,0) of its own precision
// (INT: 10 digits).
SqlType AsDecimal(const SqlType& type) {
    if (type.Is(SqlType::Kind::Integer)) return SqlType::Decimal(type.precision, 0);
    return type;
}

// Precision, scale, and length (Transact-SQL):
// https://learn.microsoft.com/en-us/sql/t-sql/data-types/precision-scale-and-length-transact-sql
// A result precision above 38 is cut to 38. For multiplication and division the integral part
// keeps its digits and the scale gives way, but not below min(scale, 6); for addition and
// subtraction the scale becomes 38 minus the integral digits.
SqlType CappedProduct(int precision, int scale) {
    if (precision <= kMaxPrecision) return SqlType::Decimal(precision, scale);
    const int integral = precision - scale;
    return SqlType::Decimal(kMaxPrecision, std::max(kMaxPrecision - integral, std::min(scale, 6)));
}

SqlType CappedSum(int precision, int scale, int integral) {
    if (precision <= kMaxPrecision) return SqlType::Decimal(precision, scale);
    return SqlType::Decimal(kMaxPrecision, std::max(kMaxPrecision - integral, 0));
}

}  // namespace

std::string Describe(const SqlType& type) {
    switch (type.kind) {
        case SqlType::Kind::Unknown:
            return "UNKNOWN";
        case SqlType::Kind::Null:
            return "NULL";
        case SqlType::Kind::Integer:
            return type.precision == 10 ? "INT" : "INTEGER(" + std::to_string(type.precision) + ")";
        case SqlType::Kind::Decimal:
            return "DECIMAL(" + std::to_string(type.precision) + "," + std::to_string(type.scale) +
                   ")";
        case SqlType::Kind::Float:
            return "FLOAT";
        case SqlType::Kind::Text:
            return "VARCHAR";
    }
    return "UNKNOWN";
}

SqlType ResultType(Arithmetic operation, const SqlType& left, const SqlType& right) {
    if (!left.IsExactNumber() || !right.IsExactNumber()) return SqlType::Unknown();
    if (left.Is(SqlType::Kind::Integer) && right.Is(SqlType::Kind::Integer)) {
        return SqlType::Unknown();  // integer arithmetic, integer division included
    }
    const SqlType a = AsDecimal(left);
    const SqlType b = AsDecimal(right);
    const int p1 = a.precision, s1 = a.scale, p2 = b.precision, s2 = b.scale;
    switch (operation) {
        case Arithmetic::Add:
        case Arithmetic::Subtract: {
            const int integral = std::max(p1 - s1, p2 - s2);
            const int scale = std::max(s1, s2);
            return CappedSum(scale + integral + 1, scale, integral);
        }
        case Arithmetic::Multiply:
            return CappedProduct(p1 + p2 + 1, s1 + s2);
        case Arithmetic::Divide: {
            const int scale = std::max(6, s1 + p2 + 1);
            return CappedProduct(p1 - s1 + s2 + scale, scale);
        }
        case Arithmetic::Modulo: {
            const int scale = std::max(s1, s2);
            return SqlType::Decimal(std::min(std::min(p1 - s1, p2 - s2) + scale, kMaxPrecision),
                                    scale);
        }
    }
    return SqlType::Unknown();
}

SqlType UnionType(const SqlType& a, const SqlType& b) {
    if (a.Is(SqlType::Kind::Null)) return b;
    if (b.Is(SqlType::Kind::Null)) return a;
    if (a.Is(SqlType::Kind::Integer) && b.Is(SqlType::Kind::Integer))
        return SqlType::Integer(std::max(a.precision, b.precision));
    if (!a.IsExactNumber() || !b.IsExactNumber()) return a == b ? a : SqlType::Unknown();
    const SqlType x = AsDecimal(a);
    const SqlType y = AsDecimal(b);
    const int scale = std::max(x.scale, y.scale);
    const int integral = std::max(x.precision - x.scale, y.precision - y.scale);
    return CappedSum(scale + integral, scale, integral);
}

SqlType SumType(const SqlType& operand) {
    if (operand.Is(SqlType::Kind::Decimal)) return SqlType::Decimal(kMaxPrecision, operand.scale);
    return operand;
}

SqlType LiteralType(std::string_view digits) {
    for (char c : digits) {
        if (c == 'e' || c == 'E') return SqlType::Float();
    }
    const size_t point = digits.find('.');
    std::string_view whole = digits.substr(0, point);
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    const int scale =
        point == std::string_view::npos ? 0 : static_cast<int>(digits.size() - point - 1);
    const int integral = static_cast<int>(whole.size());
    if (point == std::string_view::npos) {
        // Whole numbers beyond INT's range are decimals of their own digits.
        if (integral < 10 || (integral == 10 && whole <= "2147483647")) return SqlType::Int();
        return SqlType::Decimal(std::min(integral, kMaxPrecision), 0);
    }
    return SqlType::Decimal(std::clamp(integral + scale, 1, kMaxPrecision),
                            std::min(scale, kMaxPrecision));
}

SqlType DeclaredType(std::string_view name, int precision, int scale) {
    const std::string word = Upper(name);
    if (word == "INT" || word == "INTEGER") return SqlType::Int();
    if (word == "BIGINT") return SqlType::Integer(19);
    if (word == "SMALLINT") return SqlType::Integer(5);
    if (word == "TINYINT") return SqlType::Integer(3);
    if (word == "BIT") return SqlType::Integer(1);
    if (word == "DECIMAL" || word == "NUMERIC" || word == "DECIMAL_TEXT") {
        const int p = precision < 0 ? 18 : precision;
        const int s = scale < 0 ? 0 : scale;
        if (p < 1 || p > kMaxPrecision || s > p) return SqlType::Unknown();
        return SqlType::Decimal(p, s);
    }
    if (word == "MONEY") return SqlType::Decimal(19, 4);
    if (word == "SMALLMONEY") return SqlType::Decimal(10, 4);
    if (word == "FLOAT" || word == "REAL" || word == "DOUBLE") return SqlType::Float();
    if (word == "VARCHAR" || word == "NVARCHAR" || word == "CHAR" || word == "NCHAR" ||
        word == "TEXT" || word == "NTEXT") {
        return SqlType::Text();
    }
    return SqlType::Unknown();
}

SqlType StoredColumnType(std::string_view declared) {
    const size_t open = declared.find('(');
    std::string_view name = declared.substr(0, open);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    // "TEXT COLLATE NOCASE" and the like: the first word names the type.
    name = name.substr(0, name.find(' '));
    int precision = -1;
    int scale = -1;
    if (open != std::string_view::npos) {
        const std::string arguments(declared.substr(open + 1));
        char* end = nullptr;
        precision = static_cast<int>(std::strtol(arguments.c_str(), &end, 10));
        if (end && *end == ',') scale = static_cast<int>(std::strtol(end + 1, &end, 10));
    }
    return DeclaredType(name, precision, scale);
}

std::string StoredDecimalDeclaration(int precision, int scale) {
    return "DECIMAL_TEXT(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
}

}  // namespace q9::tsql
