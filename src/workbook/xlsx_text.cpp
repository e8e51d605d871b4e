#include "workbook/xlsx_text.h"

#include <cstdint>

#include "workbook/code_page.h"

namespace q9 {

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// "_xHHHH_" at `at`: what the reader would take for an escape.
bool LooksLikeEscape(std::string_view text, size_t at) {
    if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_') {
        return false;
    }
    for (size_t i = at + 2; i < at + 6; ++i) {
        if (!IsHexDigit(text[i])) return false;
    }
    return true;
}

void AppendEscape(std::string& out, uint32_t unit) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += "_x";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kDigits[unit >> shift & 0xF]);
    out.push_back('_');
}

// Characters XML 1.0 cannot hold, and CR, which a parser would turn into LF.
bool NeedsEscape(char32_t c) {
    return (c < 0x20 && c != '\t' && c != '\n') || c == 0xFFFE || c == 0xFFFF;
}

uint32_t HexValue(std::string_view digits) {
    uint32_t value = 0;
    for (char c : digits) {
        const uint32_t digit = c <= '9'   ? static_cast<uint32_t>(c - '0')
                               : c <= 'F' ? static_cast<uint32_t>(c - 'A' + 10)
                                          : static_cast<uint32_t>(c - 'a' + 10);
        value = value << 4 | digit;
    }
    return value;
}

}  // namespace

std::string EscapeXlsxText(std::string_view utf8, size_t maxUnits) {
    std::string out;
    out.reserve(utf8.size());
    size_t units = 0;
    for (size_t at = 0; at < utf8.size();) {
        size_t length = 0;
        const char32_t c = NextUtf8(utf8, at, &length);
        const size_t width = c != kMalformedUtf8 && c > 0xFFFF ? 2 : 1;
        if (units + width > maxUnits) break;
        units += width;
        if (c == kMalformedUtf8) {
            out.push_back('?');
        } else if (NeedsEscape(c)) {
            AppendEscape(out, c);
        } else if (c == '_' && LooksLikeEscape(utf8, at)) {
            AppendEscape(out, '_');
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out.append(utf8.substr(at, length));
        }
        at += length;
    }
    return out;
}

std::string UnescapeXlsxText(std::string_view text) {
    if (text.find("_x") == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    // Consecutive escapes may be the two halves of one character.
    std::u16string units;
    for (size_t at = 0; at < text.size();) {
        if (LooksLikeEscape(text, at)) {
            units.push_back(static_cast<char16_t>(HexValue(text.substr(at + 2, 4))));
            at += 7;
            continue;
        }
        if (!units.empty()) {
            AppendUtf16(out, units);
            units.clear();
        }
        out.push_back(text[at++]);
    }
    AppendUtf16(out, units);
    return out;
}

}  // namespace q9
