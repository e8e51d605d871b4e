#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace q9::decimal {

__extension__ typedef unsigned __int128 UInt128;

// The largest precision of the host server's decimals.
inline constexpr int kMaxPrecision = 38;

// An exact decimal of up to 38 digits: magnitude / 10^scale, with a sign. Zero is never
// negative. Operations that cannot give a 38-digit result report Failure::Overflow.
struct Decimal {
    UInt128 magnitude = 0;
    int scale = 0;
    bool negative = false;

    bool IsZero() const { return magnitude == 0; }
};

enum class Failure { None, Overflow, DivideByZero };

struct Result {
    Decimal value;
    Failure failure = Failure::None;
};

// "-12.50", "+.5", "1e3", " 7 ": the decimal it spells, or nothing for text that is no number or
// needs more than 38 digits.
std::optional<Decimal> Parse(std::string_view text);
// A floating-point value read as its 15-significant-digit decimal form, as the host reads a
// float converted to decimal.
std::optional<Decimal> FromDouble(double value);
Decimal FromInteger(long long value);

// Shortest text: no exponent, no trailing fraction zeros ("2472.05", "-0.3", "17").
std::string ToText(const Decimal& value);
double ToDouble(const Decimal& value);
// Digits without leading zeros of the integer part and trailing zeros of the fraction.
int SignificantDigits(const Decimal& value);

// Results are rounded half away from zero at `scale` decimals.
Result Add(const Decimal& a, const Decimal& b, int scale);
Result Subtract(const Decimal& a, const Decimal& b, int scale);
Result Multiply(const Decimal& a, const Decimal& b, int scale);
Result Divide(const Decimal& a, const Decimal& b, int scale);
// The remainder of a truncated division; its sign is the dividend's.
Result Modulo(const Decimal& a, const Decimal& b);
Decimal Negate(Decimal value);

enum class Rounding { HalfAwayFromZero, Truncate };
// At `digits` decimals (negative: tens, hundreds, ...).
Result Round(const Decimal& value, int digits, Rounding rounding);

// -1, 0 or 1.
int Compare(const Decimal& a, const Decimal& b);

// True when the value has at most precision - scale integer digits (scale as rounded).
bool FitsPrecision(const Decimal& value, int precision, int scale);

}  // namespace q9::decimal
