#include "host/db/odbc_text.h"

#include <charconv>
#include <cstdint>

namespace q9::odbc {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendWide(char32_t c, WideText& out) {
    if (c < 0x10000) {
        out.push_back(static_cast<SQLWCHAR>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<SQLWCHAR>(0xD800 + (c >> 10)));
        out.push_back(static_cast<SQLWCHAR>(0xDC00 + (c & 0x3FF)));
    }
}

// The code point starting at text[i]; advances i past it.
char32_t DecodeUtf8(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int continuation = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        continuation = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        continuation = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        continuation = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < continuation; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return kReplacement;
        }
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    return c;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

WideText Utf8ToWide(std::string_view text) {
    WideText out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) AppendWide(DecodeUtf8(text, i), out);
    return out;
}

std::string WideToUtf8(const SQLWCHAR* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(c, out);
    }
    return out;
}

Value DecimalTextToValue(std::string_view text) {
    const std::string original(text);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return Value(original);
    for (char c : whole) {
        if (!IsDigit(c)) return Value(original);
    }
    for (char c : fraction) {
        if (!IsDigit(c)) return Value(original);
    }

    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    size_t significant = whole.size() + fraction.size();
    if (whole.empty()) {
        const size_t firstNonZero = fraction.find_first_not_of('0');
        significant = firstNonZero == std::string_view::npos ? 0 : fraction.size() - firstNonZero;
    }
    if (significant == 0) return Value(0.0);
    if (significant > 15) return Value(original);

    std::string normalized;
    if (negative) normalized += '-';
    normalized += whole.empty() ? std::string_view("0") : whole;
    if (!fraction.empty()) {
        normalized += '.';
        normalized += fraction;
    }
    double result = 0;
    const auto [end, ec] =
        std::from_chars(normalized.data(), normalized.data() + normalized.size(), result);
    if (ec != std::errc{} || end != normalized.data() + normalized.size()) return Value(original);
    return Value(result);
}

}  // namespace q9::odbc
