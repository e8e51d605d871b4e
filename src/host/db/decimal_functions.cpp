#include "host/db/decimal_functions.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/db/decimal_round.h"
#include "host/db/exact_decimal.h"

namespace q9 {

namespace {

using decimal::Decimal;
using decimal::Failure;

constexpr const char* kOverflow =
    "Arithmetic overflow error converting expression to data type numeric.";
constexpr const char* kDivideByZero = "Divide by zero error encountered.";
constexpr const char* kNotANumber = "Error converting data type varchar to numeric.";

enum class Read { Value, Null, Invalid };

template <class Bytes>
std::string_view ValueBytes(sqlite3_value* value, Bytes* read) {
    const auto* bytes = static_cast<const char*>(static_cast<const void*>(read(value)));
    return {bytes ? bytes : "", static_cast<size_t>(sqlite3_value_bytes(value))};
}

Read ReadDecimal(sqlite3_value* value, Decimal* out) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            return Read::Null;
        case SQLITE_INTEGER:
            *out = decimal::FromInteger(sqlite3_value_int64(value));
            return Read::Value;
        case SQLITE_FLOAT: {
            const std::optional<Decimal> d = decimal::FromDouble(sqlite3_value_double(value));
            if (!d) return Read::Invalid;
            *out = *d;
            return Read::Value;
        }
        default: {
            // As bytes first: asked for text, SQLite would copy a stored value only to end it
            // with a zero. Bytes that do not parse may be text in UTF-16: asked for again.
            std::optional<Decimal> d = decimal::Parse(ValueBytes(value, sqlite3_value_blob));
            if (!d) d = decimal::Parse(ValueBytes(value, sqlite3_value_text));
            if (!d) return Read::Invalid;
            *out = *d;
            return Read::Value;
        }
    }
}

// Reads `count` decimal arguments; false (with the result set) on NULL or an error.
bool ReadArguments(sqlite3_context* context, sqlite3_value** argv, int count, Decimal* out) {
    bool null = false;
    for (int i = 0; i < count; ++i) {
        const Read read = ReadDecimal(argv[i], &out[i]);
        if (read == Read::Invalid) {
            sqlite3_result_error(context, kNotANumber, -1);
            return false;
        }
        null = null || read == Read::Null;
    }
    if (null) sqlite3_result_null(context);
    return !null;
}

void ResultText(sqlite3_context* context, const Decimal& value) {
    const std::string text = decimal::ToText(value);
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// The result of an operation at DECIMAL(precision, scale), or its failure.
void ResultAt(sqlite3_context* context, const decimal::Result& result, int precision, int scale) {
    if (result.failure == Failure::DivideByZero) {
        sqlite3_result_error(context, kDivideByZero, -1);
    } else if (result.failure == Failure::Overflow ||
               !decimal::FitsPrecision(result.value, precision, scale)) {
        sqlite3_result_error(context, kOverflow, -1);
    } else {
        ResultText(context, result.value);
    }
}

template <decimal::Result (*Operation)(const Decimal&, const Decimal&, int)>
void Binary(sqlite3_context* context, int, sqlite3_value** argv) {
    Decimal operands[2];
    if (!ReadArguments(context, argv, 2, operands)) return;
    const int precision = sqlite3_value_int(argv[2]);
    const int scale = sqlite3_value_int(argv[3]);
    ResultAt(context, Operation(operands[0], operands[1], scale), precision, scale);
}

decimal::Result ModuloAt(const Decimal& a, const Decimal& b, int) {
    return decimal::Modulo(a, b);
}

void Convert(sqlite3_context* context, int, sqlite3_value** argv) {
    Decimal value;
    if (!ReadArguments(context, argv, 1, &value)) return;
    const int precision = sqlite3_value_int(argv[1]);
    const int scale = sqlite3_value_int(argv[2]);
    ResultAt(context, decimal::Round(value, scale, decimal::Rounding::HalfAwayFromZero), precision,
             scale);
}

void RoundAt(sqlite3_context* context, int, sqlite3_value** argv) {
    Decimal value;
    if (!ReadArguments(context, argv, 1, &value)) return;
    for (int i = 1; i < 3; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    const int digits = sqlite3_value_int(argv[1]);
    const auto rounding = sqlite3_value_int(argv[2]) != 0 ? decimal::Rounding::Truncate
                                                          : decimal::Rounding::HalfAwayFromZero;
    ResultAt(context, decimal::Round(value, digits, rounding), sqlite3_value_int(argv[3]),
             sqlite3_value_int(argv[4]));
}

void NegateValue(sqlite3_context* context, int, sqlite3_value** argv) {
    Decimal value;
    if (ReadArguments(context, argv, 1, &value)) ResultText(context, decimal::Negate(value));
}

void Absolute(sqlite3_context* context, int, sqlite3_value** argv) {
    Decimal value;
    if (!ReadArguments(context, argv, 1, &value)) return;
    value.negative = false;
    ResultText(context, value);
}

void ToInteger(sqlite3_context* context, int, sqlite3_value** argv) {
    Decimal value;
    if (!ReadArguments(context, argv, 1, &value)) return;
    const decimal::Result whole = decimal::Round(value, 0, decimal::Rounding::Truncate);
    if (whole.value.magnitude > static_cast<decimal::UInt128>(INT64_MAX)) {
        sqlite3_result_error(context, kOverflow, -1);
        return;
    }
    const auto magnitude = static_cast<sqlite3_int64>(whole.value.magnitude);
    sqlite3_result_int64(context, whole.value.negative ? -magnitude : magnitude);
}

void ToFloat(sqlite3_context* context, int, sqlite3_value** argv) {
    Decimal value;
    if (ReadArguments(context, argv, 1, &value))
        sqlite3_result_double(context, decimal::ToDouble(value));
}

void CompareValues(sqlite3_context* context, int, sqlite3_value** argv) {
    Decimal operands[2];
    if (ReadArguments(context, argv, 2, operands))
        sqlite3_result_int(context, decimal::Compare(operands[0], operands[1]));
}

// x IN (v1, ...): 1 on a match; else NULL when x or a value is NULL; else 0.
void InList(sqlite3_context* context, int argc, sqlite3_value** argv) {
    Decimal x;
    if (!ReadArguments(context, argv, 1, &x)) return;
    bool sawNull = false;
    for (int i = 1; i < argc; ++i) {
        Decimal v;
        const Read read = ReadDecimal(argv[i], &v);
        if (read == Read::Invalid) {
            sqlite3_result_error(context, kNotANumber, -1);
            return;
        }
        if (read == Read::Null) {
            sawNull = true;
        } else if (decimal::Compare(x, v) == 0) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    if (sawNull) {
        sqlite3_result_null(context);
    } else {
        sqlite3_result_int(context, 0);
    }
}

struct Accumulator {
    Decimal value;
    long long count = 0;
    Failure failure = Failure::None;
    bool invalid = false;
};

// SQLite's aggregate memory is only 8-byte aligned; the 128-bit digits need 16.
Accumulator* AccumulatorOf(sqlite3_context* context, bool create) {
    constexpr std::uintptr_t kAlign = alignof(Accumulator);
    void* raw = sqlite3_aggregate_context(
        context, create ? static_cast<int>(sizeof(Accumulator) + kAlign) : 0);
    if (!raw) return nullptr;
    const std::uintptr_t address =
        (reinterpret_cast<std::uintptr_t>(raw) + kAlign - 1) & ~(kAlign - 1);
    return reinterpret_cast<Accumulator*>(address);
}

enum class Fold { Sum, Min, Max };

template <Fold kFold>
void Step(sqlite3_context* context, int, sqlite3_value** argv) {
    Accumulator* acc = AccumulatorOf(context, true);
    if (!acc || acc->failure != Failure::None || acc->invalid) return;
    Decimal v;
    const Read read = ReadDecimal(argv[0], &v);
    if (read == Read::Null) return;
    if (read == Read::Invalid) {
        acc->invalid = true;
        return;
    }
    if (acc->count++ == 0) {
        acc->value = v;
        return;
    }
    if constexpr (kFold == Fold::Sum) {
        const decimal::Result sum =
            decimal::Add(acc->value, v, std::max(acc->value.scale, v.scale));
        acc->failure = sum.failure;
        acc->value = sum.value;
    } else {
        const int order = decimal::Compare(v, acc->value);
        if ((kFold == Fold::Min && order < 0) || (kFold == Fold::Max && order > 0)) acc->value = v;
    }
}

// Finishes an aggregate; false when it has set the result already (no rows, an error).
bool Finished(sqlite3_context* context, Accumulator** out) {
    Accumulator* acc = AccumulatorOf(context, false);
    if (acc && acc->invalid) {
        sqlite3_result_error(context, kNotANumber, -1);
        return false;
    }
    if (acc && acc->failure != Failure::None) {
        sqlite3_result_error(context, kOverflow, -1);
        return false;
    }
    if (!acc || acc->count == 0) {
        sqlite3_result_null(context);
        return false;
    }
    *out = acc;
    return true;
}

void FinalValue(sqlite3_context* context) {
    Accumulator* acc = nullptr;
    if (Finished(context, &acc)) ResultText(context, acc->value);
}

}  // namespace

void RegisterDecimalFunctions(sqlite3* db) {
    RegisterDecimalRound(db);
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    struct Scalar {
        const char* name;
        int arguments;
        void (*function)(sqlite3_context*, int, sqlite3_value**);
    };
    const Scalar scalars[] = {
        {"q9_add", 4, Binary<decimal::Add>},
        {"q9_sub", 4, Binary<decimal::Subtract>},
        {"q9_mul", 4, Binary<decimal::Multiply>},
        {"q9_div", 4, Binary<decimal::Divide>},
        {"q9_mod", 4, Binary<ModuloAt>},
        {"q9_dec", 3, Convert},
        {"q9_round", 5, RoundAt},
        {"q9_neg", 1, NegateValue},
        {"q9_abs", 1, Absolute},
        {"q9_int", 1, ToInteger},
        {"q9_float", 1, ToFloat},
        {"q9_cmp", 2, CompareValues},
        {"q9_in", -1, InList},
    };
    for (const Scalar& s : scalars) {
        sqlite3_create_function_v2(db, s.name, s.arguments, kFlags, nullptr, s.function, nullptr,
                                   nullptr, nullptr);
    }
    sqlite3_create_function_v2(db, "q9_sum", 1, kFlags, nullptr, nullptr, Step<Fold::Sum>,
                               FinalValue, nullptr);
    sqlite3_create_function_v2(db, "q9_min", 1, kFlags, nullptr, nullptr, Step<Fold::Min>,
                               FinalValue, nullptr);
    sqlite3_create_function_v2(db, "q9_max", 1, kFlags, nullptr, nullptr, Step<Fold::Max>,
                               FinalValue, nullptr);
}

}  // namespace q9
