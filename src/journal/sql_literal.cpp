#include "journal/sql_literal.h"

#include <array>
#include <charconv>
#include <cmath>

#include "host/error.h"

namespace q9 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsNumberLiteral(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    const size_t digits = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == digits) return false;
    if (i < text.size() && text[i] == '.') {
        const size_t fraction = ++i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        if (i == fraction) return false;
    }
    return i == text.size();
}

bool IsTextLiteral(std::string_view text) {
    if (text.size() < 3 || text.substr(0, 2) != "N'" || text.back() != '\'') return false;
    const std::string_view content = text.substr(2, text.size() - 3);
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\'') continue;
        if (i + 1 >= content.size() || content[i + 1] != '\'') return false;
        ++i;
    }
    return true;
}

}  // namespace

std::string SqlLiteral(const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Null:
            return "NULL";
        case Value::Kind::Integer:
            return std::to_string(value.AsInteger());
        case Value::Kind::Floating: {
            const double number = value.AsFloating();
            if (!std::isfinite(number)) {
                throw HostError(error_number::kOverflow, "数值不是有限数");
            }
            std::array<char, 400> buffer{};
            const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number,
                                               std::chars_format::fixed);
            std::string text(buffer.data(), written.ptr);
            return text == "-0" ? "0" : text;
        }
        case Value::Kind::Text: {
            std::string quoted = "N'";
            for (char c : value.AsText()) {
                quoted += c;
                if (c == '\'') quoted += '\'';
            }
            return quoted + "'";
        }
        case Value::Kind::Object:
            break;
    }
    throw HostError(error_number::kTypeMismatch, "对象不能写入SQL");
}

bool IsSqlLiteral(std::string_view text) {
    return text == "NULL" || IsNumberLiteral(text) || IsTextLiteral(text);
}

std::string LiteralDisplay(std::string_view literal) {
    if (literal == "NULL") return "";
    if (!IsTextLiteral(literal)) return std::string(literal);
    std::string shown;
    const std::string_view content = literal.substr(2, literal.size() - 3);
    for (size_t i = 0; i < content.size(); ++i) {
        shown += content[i];
        if (content[i] == '\'') ++i;
    }
    return shown;
}

}  // namespace q9
