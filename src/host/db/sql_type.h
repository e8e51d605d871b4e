#pragma once

#include <string>
#include <string_view>

namespace q9::tsql {

// The type of a T-SQL expression as far as the translation needs it. Integers and decimals
// carry the precision and scale the host server gives them.
struct SqlType {
    enum class Kind { Unknown, Null, Integer, Decimal, Float, Text };
    Kind kind = Kind::Unknown;
    int precision = 0;
    int scale = 0;

    static SqlType Unknown() { return {}; }
    static SqlType Null() { return {Kind::Null, 0, 0}; }
    static SqlType Int() { return {Kind::Integer, 10, 0}; }
    static SqlType Integer(int precision) { return {Kind::Integer, precision, 0}; }
    static SqlType Decimal(int precision, int scale) { return {Kind::Decimal, precision, scale}; }
    static SqlType Float() { return {Kind::Float, 53, 0}; }
    static SqlType Text() { return {Kind::Text, 0, 0}; }

    bool Is(Kind k) const { return kind == k; }
    bool IsExactNumber() const { return kind == Kind::Integer || kind == Kind::Decimal; }
    bool operator==(const SqlType&) const = default;
};

// "DECIMAL(38,6)", "INT", ...
std::string Describe(const SqlType& type);

// Result types of decimal arithmetic (an integer operand counts as DECIMAL(p,0) of its
// precision). Null when the operation is not decimal (two integers, a float, text, unknown).
enum class Arithmetic { Add, Subtract, Multiply, Divide, Modulo };
SqlType ResultType(Arithmetic operation, const SqlType& left, const SqlType& right);
// The type of CASE branches and UNION columns.
SqlType UnionType(const SqlType& a, const SqlType& b);
// SUM over a column of this type.
SqlType SumType(const SqlType& operand);

// A number literal as written: "100" INT, "16.0" DECIMAL(3,1), "3000000000" DECIMAL(10,0),
// "1e5" FLOAT.
SqlType LiteralType(std::string_view digits);

// A column type as declared in T-SQL ("DECIMAL", "NUMERIC" with optional precision and scale,
// "INT", "MONEY", ...); Unknown for a type the translation does not know.
SqlType DeclaredType(std::string_view name, int precision = -1, int scale = -1);
// The same from the type text the embedded account stores for a column ("DECIMAL_TEXT(28,10)",
// "INTEGER", "REAL", "TEXT", "DECIMAL(18,2)").
SqlType StoredColumnType(std::string_view declared);
// The declaration the embedded account stores for an exact decimal column: text affinity, so
// that SQLite keeps the exact digits, with the type readable back by StoredColumnType.
std::string StoredDecimalDeclaration(int precision, int scale);

}  // namespace q9::tsql
