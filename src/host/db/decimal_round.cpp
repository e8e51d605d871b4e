#include "host/db/decimal_round.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace q9 {

namespace {

constexpr int kSignificantDigits = 15;

// Digits and decimal exponent of a finite nonzero value: value = 0.DIGITS * 10^(exponent + 1).
struct DecimalForm {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

DecimalForm ToDecimalForm(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", kSignificantDigits - 1, value);
    DecimalForm form;
    const char* p = buffer;
    if (*p == '-') {
        form.negative = true;
        ++p;
    }
    // Skip whatever decimal separator the process locale prints.
    for (; *p && *p != 'e' && *p != 'E'; ++p) {
        if (*p >= '0' && *p <= '9') form.digits.push_back(*p);
    }
    if (*p) form.exponent = std::atoi(p + 1);
    return form;
}

double FromDigits(bool negative, const std::string& digits, int powerOfTen) {
    const std::string text = (negative ? "-" : "") + digits + "e" + std::to_string(powerOfTen);
    return std::strtod(text.c_str(), nullptr);  // no decimal point: locale cannot interfere
}

}  // namespace

double RoundDecimal(double value, int digits) {
    return RoundDecimal(value, digits, false);
}

double RoundDecimal(double value, int digits, bool truncate) {
    if (!std::isfinite(value) || value == 0.0) return value;
    const DecimalForm form = ToDecimalForm(value);
    // Number of leading significant digits that stay.
    const long keep = static_cast<long>(form.exponent) + 1 + digits;
    const int lowestPower = form.exponent + 1 - kSignificantDigits;
    if (keep >= kSignificantDigits) return FromDigits(form.negative, form.digits, lowestPower);
    if (keep < 0) return 0.0;
    std::string kept = form.digits.substr(0, static_cast<size_t>(keep));
    const bool roundUp = !truncate && form.digits[static_cast<size_t>(keep)] >= '5';
    if (roundUp) {
        int i = static_cast<int>(kept.size()) - 1;
        for (; i >= 0; --i) {
            if (kept[static_cast<size_t>(i)] == '9') {
                kept[static_cast<size_t>(i)] = '0';
            } else {
                ++kept[static_cast<size_t>(i)];
                break;
            }
        }
        if (i < 0) kept.insert(kept.begin(), '1');
    }
    if (kept.empty() || kept.find_first_not_of('0') == std::string::npos) return 0.0;
    return FromDigits(form.negative, kept, -digits);
}

int64_t RoundDecimalInteger(int64_t value, int digits, bool truncate) {
    if (digits >= 0) return value;
    if (digits < -18) return 0;
    int64_t unit = 1;
    for (int i = 0; i < -digits; ++i) unit *= 10;
    const int64_t remainder = value % unit;
    int64_t result = value - remainder;
    if (!truncate && (remainder >= unit / 2 || remainder <= -unit / 2)) {
        const int64_t step = value < 0 ? -unit : unit;
        if ((step > 0 && result > std::numeric_limits<int64_t>::max() - step) ||
            (step < 0 && result < std::numeric_limits<int64_t>::min() - step)) {
            return result;
        }
        result += step;
    }
    return result;
}

namespace {

void SqlRound(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc < 2 || argc > 3) {
        sqlite3_result_error(context, "The round function requires 2 to 3 arguments.", -1);
        return;
    }
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    const int digits = sqlite3_value_int(argv[1]);
    const bool truncate = argc == 3 && sqlite3_value_int(argv[2]) != 0;
    if (sqlite3_value_numeric_type(argv[0]) == SQLITE_INTEGER) {
        sqlite3_result_int64(context,
                             RoundDecimalInteger(sqlite3_value_int64(argv[0]), digits, truncate));
    } else {
        sqlite3_result_double(context,
                              RoundDecimal(sqlite3_value_double(argv[0]), digits, truncate));
    }
}

}  // namespace

void RegisterDecimalRound(sqlite3* db) {
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    // Every arity, so that SQLite's own one-argument round cannot answer where the host refuses.
    for (int argc = 1; argc <= 3; ++argc) {
        sqlite3_create_function_v2(db, "round", argc, kFlags, nullptr, SqlRound, nullptr, nullptr,
                                   nullptr);
    }
}

}  // namespace q9
