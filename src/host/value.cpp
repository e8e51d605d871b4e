#include "host/value.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "host/error.h"

namespace q9 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void ThrowTypeMismatch() {
    throw HostError(error_number::kTypeMismatch, "不是数字");
}

[[noreturn]] void ThrowOverflow() {
    throw HostError(error_number::kOverflow, "数值超出范围");
}

[[noreturn]] void ThrowInvalidUseOfNull() {
    throw HostError(error_number::kInvalidUseOfNull, "值为空");
}

double ParseDecimal(std::string_view text) {
    double result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

// Digits of base 16 or 8; the platform narrows to 16 or 32 bits with sign when they fit.
double ReadRadix(std::string_view digits, int base) {
    uint64_t value = 0;
    size_t count = 0;
    bool wide = false;
    double wideValue = 0;
    for (char c : digits) {
        int digit;
        if (IsDigit(c)) {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            break;
        }
        if (digit >= base) break;
        ++count;
        if (!wide && value > (std::numeric_limits<uint64_t>::max() >> 4)) {
            wide = true;
            wideValue = static_cast<double>(value);
        }
        if (wide) {
            wideValue = wideValue * base + digit;
        } else {
            value = value * base + static_cast<uint64_t>(digit);
        }
    }
    if (count == 0) return 0;
    if (wide) return wideValue;
    if (value <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(value));
    if (value <= 0xFFFFFFFFULL) return static_cast<int32_t>(static_cast<uint32_t>(value));
    return static_cast<double>(value);
}

}  // namespace

double Value::NumberAsDouble() const {
    if (kind() == Kind::Integer) return static_cast<double>(AsInteger());
    if (kind() == Kind::Floating) return AsFloating();
    ThrowTypeMismatch();
}

double Val(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    }
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') return ReadRadix(std::string_view(s).substr(2), 16);
        if (s[1] == 'O' || s[1] == 'o') return ReadRadix(std::string_view(s).substr(2), 8);
        return 0;
    }
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string number;
    bool anyDigit = false;
    while (i < s.size() && IsDigit(s[i])) {
        number.push_back(s[i++]);
        anyDigit = true;
    }
    if (i < s.size() && s[i] == '.') {
        number.push_back('.');
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            number.push_back(s[i++]);
            anyDigit = true;
        }
    }
    if (!anyDigit) return 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        size_t digitsStart = j;
        while (j < s.size() && IsDigit(s[j])) exponent.push_back(s[j++]);
        if (j > digitsStart) number += exponent;
    }
    if (number.front() == '.') number.insert(number.begin(), '0');
    double value = ParseDecimal(number);
    return negative ? -value : value;
}

bool ParseNumericText(std::string_view text, double* result) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    std::string_view s = text.substr(begin, end - begin);
    if (s.empty()) return false;
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // from_chars accepts "inf" and "nan"; the platform does not.
    if (s.empty() || !(IsDigit(s.front()) || s.front() == '.')) return false;
    std::string normalized(s);
    if (normalized.front() == '.') normalized.insert(normalized.begin(), '0');
    double value = 0;
    auto [ptr, ec] =
        std::from_chars(normalized.data(), normalized.data() + normalized.size(), value);
    if (ptr != normalized.data() + normalized.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        value = std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        return false;
    }
    *result = negative ? -value : value;
    return true;
}

int32_t ToInt32(const Value& value) {
    double number = 0;
    switch (value.kind()) {
        case Value::Kind::Null:
            ThrowInvalidUseOfNull();
        case Value::Kind::Integer: {
            int64_t v = value.AsInteger();
            if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
                ThrowOverflow();
            return static_cast<int32_t>(v);
        }
        case Value::Kind::Floating:
            number = value.AsFloating();
            break;
        case Value::Kind::Text:
            if (!ParseNumericText(value.AsText(), &number)) ThrowTypeMismatch();
            break;
        case Value::Kind::Object:
            ThrowTypeMismatch();
    }
    if (std::isnan(number)) ThrowOverflow();
    double rounded = std::nearbyint(number);  // the default rounding mode: half to even
    if (rounded < -2147483648.0 || rounded > 2147483647.0) ThrowOverflow();
    return static_cast<int32_t>(rounded);
}

std::string FormatDouble(double value) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        return std::to_string(static_cast<int64_t>(value));
    }
    char buffer[64];
    auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, ptr);
    if (auto e = text.find('e'); e != std::string::npos) text[e] = 'E';
    return text;
}

std::string ToText(const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Null:
            ThrowInvalidUseOfNull();
        case Value::Kind::Integer:
            return std::to_string(value.AsInteger());
        case Value::Kind::Floating:
            return FormatDouble(value.AsFloating());
        case Value::Kind::Text:
            return value.AsText();
        case Value::Kind::Object:
            ThrowTypeMismatch();
    }
    ThrowTypeMismatch();
}

std::string TextOrEmpty(const Value& value) {
    return value.IsNull() ? std::string() : ToText(value);
}

}  // namespace q9
