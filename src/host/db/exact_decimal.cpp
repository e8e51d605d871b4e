#include "host/db/exact_decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace q9::decimal {

namespace {

// Intermediate results: a product of two 38-digit magnitudes, or one scaled by 10^38, needs up
// to 256 bits.
struct U256 {
    std::array<uint64_t, 4> limb{};  // least significant first

    static U256 Of(UInt128 value) {
        U256 v;
        v.limb[0] = static_cast<uint64_t>(value);
        v.limb[1] = static_cast<uint64_t>(value >> 64);
        return v;
    }
    bool Fits128() const { return limb[2] == 0 && limb[3] == 0; }
    UInt128 Low128() const { return (static_cast<UInt128>(limb[1]) << 64) | limb[0]; }
    bool IsZero() const { return limb[0] == 0 && limb[1] == 0 && limb[2] == 0 && limb[3] == 0; }
    int BitLength() const {
        for (int i = 3; i >= 0; --i) {
            if (limb[static_cast<size_t>(i)] != 0)
                return i * 64 + 64 - __builtin_clzll(limb[static_cast<size_t>(i)]);
        }
        return 0;
    }
    bool Bit(int i) const { return (limb[static_cast<size_t>(i / 64)] >> (i % 64)) & 1U; }
};

int CompareWide(const U256& a, const U256& b) {
    for (int i = 3; i >= 0; --i) {
        const auto k = static_cast<size_t>(i);
        if (a.limb[k] != b.limb[k]) return a.limb[k] < b.limb[k] ? -1 : 1;
    }
    return 0;
}

U256 AddWide(const U256& a, const U256& b) {
    U256 sum;
    UInt128 carry = 0;
    for (size_t i = 0; i < 4; ++i) {
        carry += static_cast<UInt128>(a.limb[i]) + b.limb[i];
        sum.limb[i] = static_cast<uint64_t>(carry);
        carry >>= 64;
    }
    return sum;
}

// a - b for a >= b.
U256 SubtractWide(const U256& a, const U256& b) {
    U256 difference;
    uint64_t borrow = 0;
    for (size_t i = 0; i < 4; ++i) {
        const UInt128 subtrahend = static_cast<UInt128>(b.limb[i]) + borrow;
        borrow = static_cast<UInt128>(a.limb[i]) < subtrahend ? 1 : 0;
        difference.limb[i] = static_cast<uint64_t>(a.limb[i] - subtrahend);
    }
    return difference;
}

// a * m; false when the product needs more than 256 bits.
bool MultiplyWide(const U256& a, UInt128 m, U256* product) {
    const uint64_t mLimbs[2] = {static_cast<uint64_t>(m), static_cast<uint64_t>(m >> 64)};
    std::array<uint64_t, 6> result{};
    for (size_t j = 0; j < 2; ++j) {
        UInt128 carry = 0;
        for (size_t i = 0; i < 4; ++i) {
            carry += static_cast<UInt128>(a.limb[i]) * mLimbs[j] + result[i + j];
            result[i + j] = static_cast<uint64_t>(carry);
            carry >>= 64;
        }
        result[4 + j] += static_cast<uint64_t>(carry);
    }
    if (result[4] != 0 || result[5] != 0) return false;
    std::copy_n(result.begin(), 4, product->limb.begin());
    return true;
}

constexpr UInt128 Pow10(int n) {
    UInt128 p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

constexpr std::array<UInt128, kMaxPrecision + 1> kPowers = [] {
    std::array<UInt128, kMaxPrecision + 1> powers{};
    for (int i = 0; i <= kMaxPrecision; ++i) powers[static_cast<size_t>(i)] = Pow10(i);
    return powers;
}();

UInt128 PowerOfTen(int n) {
    return kPowers[static_cast<size_t>(n)];
}

// a * 10^n; false when that needs more than 256 bits.
bool ScaleUp(U256* a, int n) {
    while (n > 0) {
        const int step = std::min(n, kMaxPrecision);
        if (!MultiplyWide(*a, PowerOfTen(step), a)) return false;
        n -= step;
    }
    return true;
}

void DivideWide(const U256& n, const U256& d, U256* quotient, U256* remainder) {
    if (n.Fits128() && d.Fits128()) {
        *quotient = U256::Of(n.Low128() / d.Low128());
        *remainder = U256::Of(n.Low128() % d.Low128());
        return;
    }
    U256 q;
    U256 r;
    for (int i = n.BitLength() - 1; i >= 0; --i) {
        // r = r * 2 + bit; r < d < 2^256 keeps the shift in range.
        for (size_t k = 3; k > 0; --k) r.limb[k] = (r.limb[k] << 1) | (r.limb[k - 1] >> 63);
        r.limb[0] = (r.limb[0] << 1) | (n.Bit(i) ? 1U : 0U);
        if (CompareWide(r, d) >= 0) {
            r = SubtractWide(r, d);
            q.limb[static_cast<size_t>(i / 64)] |= uint64_t{1} << (i % 64);
        }
    }
    *quotient = q;
    *remainder = r;
}

// n / d rounded as asked.
U256 DivideRounded(const U256& n, const U256& d, Rounding rounding) {
    U256 q;
    U256 r;
    DivideWide(n, d, &q, &r);
    if (rounding == Rounding::HalfAwayFromZero && CompareWide(r, SubtractWide(d, r)) >= 0) {
        q = AddWide(q, U256::Of(1));
    }
    return q;
}

// A magnitude at `fromScale` as a decimal at no more than `toScale` decimals.
Result Finish(const U256& magnitude, int fromScale, int toScale, bool negative,
              Rounding rounding = Rounding::HalfAwayFromZero) {
    U256 value = magnitude;
    int scale = fromScale;
    if (fromScale > toScale) {
        U256 divisor = U256::Of(1);
        ScaleUp(&divisor, fromScale - toScale);  // at most 10^76: fits
        value = DivideRounded(value, divisor, rounding);
        scale = toScale;
    }
    if (!value.Fits128() || value.Low128() >= PowerOfTen(kMaxPrecision))
        return {Decimal{}, Failure::Overflow};
    Decimal d;
    d.magnitude = value.Low128();
    d.scale = scale;
    d.negative = negative && d.magnitude != 0;
    return {d, Failure::None};
}

// Both magnitudes at the larger scale (scales are at most 38 apart: the result fits).
int Align(const Decimal& a, const Decimal& b, U256* wa, U256* wb) {
    const int scale = std::max(a.scale, b.scale);
    *wa = U256::Of(a.magnitude);
    *wb = U256::Of(b.magnitude);
    ScaleUp(wa, scale - a.scale);
    ScaleUp(wb, scale - b.scale);
    return scale;
}

Result AddSigned(const Decimal& a, const Decimal& b, bool negateB, int scale) {
    U256 wa;
    U256 wb;
    const int common = Align(a, b, &wa, &wb);
    const bool bNegative = negateB ? !b.negative : b.negative;
    if (a.negative == bNegative) return Finish(AddWide(wa, wb), common, scale, a.negative);
    if (CompareWide(wa, wb) >= 0) return Finish(SubtractWide(wa, wb), common, scale, a.negative);
    return Finish(SubtractWide(wb, wa), common, scale, bNegative);
}

std::string MagnitudeDigits(UInt128 magnitude) {
    constexpr uint64_t kChunk = 10'000'000'000'000'000'000ULL;  // 10^19
    char buffer[48];
    char* end = buffer + sizeof buffer;
    char* p = end;
    do {
        uint64_t chunk = static_cast<uint64_t>(magnitude % kChunk);
        magnitude /= kChunk;
        for (int i = 0; i < 19 && (chunk != 0 || magnitude != 0); ++i) {
            *--p = static_cast<char>('0' + chunk % 10);
            chunk /= 10;
        }
    } while (magnitude != 0);
    if (p == end) *--p = '0';
    return std::string(p, end);
}

}  // namespace

std::optional<Decimal> Parse(std::string_view text) {
    size_t i = 0;
    auto blank = [&](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < text.size() && blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    // Significant digits (leading zeros dropped) and how many of them follow the point.
    constexpr int kMaxDigits = 96;
    char digits[kMaxDigits];
    int count = 0;
    int scale = 0;
    bool any = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        any = true;
        if (count == 0 && c == '0') {
            if (point) ++scale;
            continue;
        }
        if (count == kMaxDigits) return std::nullopt;
        digits[count++] = c;
        if (point) ++scale;
    }
    if (!any) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            negativeExponent = text[i++] == '-';
        int exponent = 0;
        bool exponentDigits = false;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            exponentDigits = true;
            exponent = std::min(exponent * 10 + (text[i] - '0'), 1000);
        }
        if (!exponentDigits) return std::nullopt;
        scale += negativeExponent ? exponent : -exponent;
    }
    while (i < text.size() && blank(text[i])) ++i;
    if (i != text.size()) return std::nullopt;

    while (count > 0 && scale > 0 && digits[count - 1] == '0') {
        --count;
        --scale;
    }
    if (count == 0) return Decimal{};
    if (scale < 0) {
        if (count - scale > kMaxPrecision) return std::nullopt;
        for (; scale < 0; ++scale) digits[count++] = '0';
    }
    // Beyond 38 decimals (or digits), the value is rounded there.
    const int drop = std::max(count - kMaxPrecision, scale - kMaxPrecision);
    if (drop > scale) return std::nullopt;
    const int kept = drop > 0 ? count - drop : count;
    if (kept < 0) return Decimal{};  // less than half a unit of the last decimal kept
    // At most 38 digits: below 10^38 < 2^127, so one 128-bit word holds them and the carry of
    // the rounding below.
    uint64_t head = 0;  // the first 19 digits fit 64 bits, which multiply faster
    int k = 0;
    for (; k < kept && k < 19; ++k) head = head * 10 + static_cast<uint64_t>(digits[k] - '0');
    UInt128 magnitude = head;
    for (; k < kept; ++k) magnitude = magnitude * 10 + static_cast<UInt128>(digits[k] - '0');
    int resultScale = scale;
    if (drop > 0) {
        resultScale -= drop;
        if (digits[kept] >= '5') ++magnitude;
    }
    const Result result = Finish(U256::Of(magnitude), resultScale, resultScale, negative);
    if (result.failure != Failure::None) return std::nullopt;
    return result.value;
}

std::optional<Decimal> FromDouble(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    char buffer[40];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    if (ec != std::errc{}) return std::nullopt;
    return Parse(std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

Decimal FromInteger(long long value) {
    Decimal d;
    d.negative = value < 0;
    d.magnitude = d.negative ? static_cast<UInt128>(-(value + 1)) + 1 : static_cast<UInt128>(value);
    return d;
}

std::string ToText(const Decimal& value) {
    std::string digits = MagnitudeDigits(value.magnitude);
    int scale = value.scale;
    while (scale > 0 && digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        --scale;
    }
    if (scale > 0 && digits == "0") scale = 0;
    std::string text = value.negative ? "-" : "";
    if (scale == 0) return text + digits;
    if (static_cast<int>(digits.size()) <= scale)
        digits.insert(0, static_cast<size_t>(scale) + 1 - digits.size(), '0');
    text += digits.substr(0, digits.size() - static_cast<size_t>(scale));
    text += '.';
    text += digits.substr(digits.size() - static_cast<size_t>(scale));
    return text;
}

double ToDouble(const Decimal& value) {
    const std::string text = ToText(value);
    double result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

int SignificantDigits(const Decimal& value) {
    if (value.IsZero()) return 0;
    std::string digits = MagnitudeDigits(value.magnitude);
    int scale = value.scale;
    while (scale > 0 && digits.back() == '0') {
        digits.pop_back();
        --scale;
    }
    return static_cast<int>(digits.size());
}

Result Add(const Decimal& a, const Decimal& b, int scale) {
    return AddSigned(a, b, false, scale);
}

Result Subtract(const Decimal& a, const Decimal& b, int scale) {
    return AddSigned(a, b, true, scale);
}

Result Multiply(const Decimal& a, const Decimal& b, int scale) {
    U256 product;
    MultiplyWide(U256::Of(a.magnitude), b.magnitude, &product);  // 128 x 128 bits: fits
    return Finish(product, a.scale + b.scale, scale, a.negative != b.negative);
}

Result Divide(const Decimal& a, const Decimal& b, int scale) {
    if (b.IsZero()) return {Decimal{}, Failure::DivideByZero};
    // a / b at `scale` decimals = a.m * 10^(scale - a.s + b.s) / b.m.
    const int shift = scale - a.scale + b.scale;
    U256 numerator = U256::Of(a.magnitude);
    U256 denominator = U256::Of(b.magnitude);
    if (shift >= 0 && !ScaleUp(&numerator, shift)) {
        return {Decimal{}, Failure::Overflow};  // the quotient exceeds 2^128
    }
    if (shift < 0 && !ScaleUp(&denominator, -shift)) return {Decimal{}, Failure::None};
    const U256 quotient = DivideRounded(numerator, denominator, Rounding::HalfAwayFromZero);
    return Finish(quotient, scale, scale, a.negative != b.negative);
}

Result Modulo(const Decimal& a, const Decimal& b) {
    if (b.IsZero()) return {Decimal{}, Failure::DivideByZero};
    U256 wa;
    U256 wb;
    const int scale = Align(a, b, &wa, &wb);
    U256 q;
    U256 r;
    DivideWide(wa, wb, &q, &r);
    return Finish(r, scale, scale, a.negative);
}

Decimal Negate(Decimal value) {
    value.negative = !value.negative && !value.IsZero();
    return value;
}

Result Round(const Decimal& value, int digits, Rounding rounding) {
    if (digits >= value.scale) return {value, Failure::None};
    if (digits >= 0)
        return Finish(U256::Of(value.magnitude), value.scale, digits, value.negative, rounding);
    // Left of the point: round at scale 0 after dividing by 10^-digits, then scale back up.
    if (value.scale - digits > 2 * kMaxPrecision) return {Decimal{}, Failure::None};
    U256 unit = U256::Of(1);
    ScaleUp(&unit, value.scale - digits);
    U256 units = DivideRounded(U256::Of(value.magnitude), unit, rounding);
    if (!ScaleUp(&units, -digits)) return {Decimal{}, Failure::Overflow};
    return Finish(units, 0, 0, value.negative);
}

int Compare(const Decimal& a, const Decimal& b) {
    const int signA = a.IsZero() ? 0 : (a.negative ? -1 : 1);
    const int signB = b.IsZero() ? 0 : (b.negative ? -1 : 1);
    if (signA != signB) return signA < signB ? -1 : 1;
    U256 wa;
    U256 wb;
    Align(a, b, &wa, &wb);
    const int byMagnitude = CompareWide(wa, wb);
    return signA < 0 ? -byMagnitude : byMagnitude;
}

bool FitsPrecision(const Decimal& value, int precision, int scale) {
    const int limit = precision - scale + std::min(value.scale, scale);
    if (limit >= kMaxPrecision) return true;
    if (limit < 0) return value.IsZero();
    return value.magnitude < PowerOfTen(limit);
}

}  // namespace q9::decimal
