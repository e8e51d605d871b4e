#pragma once

// Exact rational arithmetic on decimal texts, for checking the database's figures against the
// formulas without floating point: numerator and denominator in 128 bits, always reduced.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace q9::testing_doubles {

__extension__ typedef __int128 Wide;

class Exact {
  public:
    Exact() = default;
    // "1234.5678", "-0.5", "17"
    Exact(const char* text) : Exact(std::string(text)) {}  // NOLINT(google-explicit-constructor)
    Exact(const std::string& text) {                       // NOLINT(google-explicit-constructor)
        bool negative = !text.empty() && text[0] == '-';
        Wide num = 0, den = 1;
        bool fraction = false;
        for (size_t i = negative ? 1 : 0; i < text.size(); ++i) {
            if (text[i] == '.') {
                fraction = true;
                continue;
            }
            num = num * 10 + (text[i] - '0');
            if (fraction) den *= 10;
        }
        *this = Make(negative ? -num : num, den);
    }
    Exact(int value) : num_(value), den_(1) {}  // NOLINT(google-explicit-constructor)

    friend Exact operator+(Exact a, Exact b) {
        return Make(a.num_ * b.den_ + b.num_ * a.den_, a.den_ * b.den_);
    }
    friend Exact operator-(Exact a, Exact b) {
        return Make(a.num_ * b.den_ - b.num_ * a.den_, a.den_ * b.den_);
    }
    friend Exact operator*(Exact a, Exact b) {
        // Cross-reduce first to stay far from the 128-bit limit.
        Wide g1 = Gcd(a.num_, b.den_), g2 = Gcd(b.num_, a.den_);
        return Make((a.num_ / g1) * (b.num_ / g2), (a.den_ / g2) * (b.den_ / g1));
    }
    friend Exact operator/(Exact a, Exact b) {
        EXPECT_NE(b.num_, 0);
        return a * Make(b.den_, b.num_);
    }
    friend bool operator==(Exact a, Exact b) { return a.num_ == b.num_ && a.den_ == b.den_; }

    // Brought to `digits` decimals, halves away from zero.
    Exact Round(int digits) const {
        Wide scale = 1;
        for (int i = 0; i < digits; ++i) scale *= 10;
        Wide magnitude = num_ < 0 ? -num_ : num_;
        Wide scaled = magnitude * scale;
        Wide whole = scaled / den_;
        if (2 * (scaled % den_) >= den_) ++whole;
        return Make(num_ < 0 ? -whole : whole, scale);
    }

    // Decimal text; only for values with a finite decimal form.
    std::string Text() const {
        Wide den = den_;
        int digits = 0;
        Wide num = num_;
        while (den != 1 && digits < 30) {
            num *= 10;
            ++digits;
            Wide g = Gcd(num, den);
            num /= g;
            den /= g;
        }
        EXPECT_EQ(den, 1) << "no finite decimal form";
        bool negative = num < 0;
        if (negative) num = -num;
        std::string text;
        do {
            text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(num % 10)));
            num /= 10;
        } while (num != 0);
        while (static_cast<int>(text.size()) <= digits) text.insert(text.begin(), '0');
        if (digits > 0) text.insert(text.end() - digits, '.');
        return negative ? "-" + text : text;
    }
    // The double the database stores for this decimal.
    double Stored() const { return std::strtod(Text().c_str(), nullptr); }
    // A stored double read back to the 15 significant digits the embedded engine keeps: sums
    // that SQL leaves unrounded may sit one unit in the last binary place off.
    static std::string Digits15(double value) {
        char text[40];
        std::snprintf(text, sizeof text, "%.15g", value);
        return text;
    }
    std::string Digits15() const { return Digits15(Stored()); }

  private:
    static Wide Gcd(Wide a, Wide b) {
        if (a < 0) a = -a;
        if (b < 0) b = -b;
        while (b != 0) {
            Wide t = a % b;
            a = b;
            b = t;
        }
        return a == 0 ? 1 : a;
    }
    static Exact Make(Wide num, Wide den) {
        if (den < 0) {
            num = -num;
            den = -den;
        }
        Wide g = Gcd(num, den);
        Exact e;
        e.num_ = num / g;
        e.den_ = den / g;
        return e;
    }

    Wide num_ = 0;
    Wide den_ = 1;
};

}  // namespace q9::testing_doubles
