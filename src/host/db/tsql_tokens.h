#pragma once

// The tool's T-SQL as tokens, shared by the translation's parts.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/tsql_translator.h"

namespace q9::tsql {

[[noreturn]] void Refuse(const std::string& what);

enum class TokenType { Word, QuotedName, Number, String, Symbol, Semicolon };

struct Token {
    TokenType type = TokenType::Word;
    std::string text;  // words and symbols as written; names and strings without quotes
    bool spaceBefore = false;
    int literal = -1;
};

std::string Upper(std::string_view text);

namespace scan {

// kSymbol: may start a comment or a number; kPlainSymbol: never more than a symbol.
enum Class : unsigned char { kOther, kBlank, kNameStart, kDigit, kSymbol, kPlainSymbol, kEnd };

// Every line's statements are scanned for their shape: one look-up a character.
constexpr std::array<unsigned char, 256> kClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int c = 0x80; c < 0x100; ++c) classes[static_cast<size_t>(c)] = kNameStart;
    for (char c : std::string_view(" \t\r\n\f\v")) classes[static_cast<unsigned char>(c)] = kBlank;
    for (int c = 'A'; c <= 'Z'; ++c) classes[static_cast<size_t>(c)] = kNameStart;
    for (int c = 'a'; c <= 'z'; ++c) classes[static_cast<size_t>(c)] = kNameStart;
    classes['_'] = kNameStart;
    for (int c = '0'; c <= '9'; ++c) classes[static_cast<size_t>(c)] = kDigit;
    for (char c : std::string_view("-/.")) classes[static_cast<unsigned char>(c)] = kSymbol;
    for (char c : std::string_view("(),=<>+*%"))
        classes[static_cast<unsigned char>(c)] = kPlainSymbol;
    classes[';'] = kEnd;
    return classes;
}();

inline unsigned char ClassOf(char c) {
    return kClasses[static_cast<unsigned char>(c)];
}
inline bool IsDigit(char c) {
    return ClassOf(c) == kDigit;
}
inline bool IsNameStart(char c) {
    return ClassOf(c) == kNameStart;
}
// Asked of nearly every character: answered by one look-up each.
constexpr std::array<bool, 256> kNameParts = [] {
    std::array<bool, 256> parts{};
    for (size_t c = 0; c < 256; ++c)
        parts[c] = kClasses[c] == kNameStart || kClasses[c] == kDigit || c == '$';
    return parts;
}();
// What a scan for literals alone passes over: nothing of it starts or ends a literal.
constexpr std::array<bool, 256> kFillers = [] {
    std::array<bool, 256> fillers{};
    for (size_t c = 0; c < 256; ++c)
        fillers[c] = kClasses[c] == kBlank || kClasses[c] == kPlainSymbol || kClasses[c] == kEnd;
    return fillers;
}();

inline bool IsNamePart(char c) {
    return kNameParts[static_cast<unsigned char>(c)];
}
inline bool IsFiller(char c) {
    return kFillers[static_cast<unsigned char>(c)];
}

}  // namespace scan

// Hands the tokens of a text to `sink` in order, as sink.Add(type, text, spaceBefore, literal,
// source): `text` as in Token and valid only during the call, `literal` the index of the token's
// entry appended to `literals` or -1, `source` the token as it stands in `sql`. Refuses
// characters the tool's SQL never holds. A sink whose LiteralsOnly() is true may miss every token
// but the literals. `from` must be where a scan from the start stood between two tokens.
template <class Sink>
void ScanTokens(std::string_view sql, std::vector<Literal>* literals, Sink& sink, size_t from = 0) {
    using namespace scan;
    const char* const text = sql.data();
    const size_t n = sql.size();
    // No lambda sees the position, so that it can stay in a register.
    bool space = false;
    auto push = [&space, &sink, text](TokenType type, std::string_view token, size_t start,
                                      size_t end) {
        sink.Add(type, token, space, -1, std::string_view(text + start, end - start));
        space = false;
    };
    auto pushLiteral = [&space, &sink, literals, text](TokenType type, Literal::Kind kind,
                                                       std::string value, size_t start,
                                                       size_t end) {
        const int index = static_cast<int>(literals->size());
        literals->emplace_back(Literal{kind, std::move(value)});
        sink.Add(type, literals->back().text, space, index,
                 std::string_view(text + start, end - start));
        space = false;
    };
    size_t i = from;
    while (i < n) {
        if constexpr (Sink::LiteralsOnly()) {
            // Words and symbols that start nothing else hold no literal: passed over here,
            // without a token each.
            for (;;) {
                while (i < n && IsFiller(text[i])) ++i;
                if (i == n) break;
                const char c = text[i];
                const char next = i + 1 < n ? text[i + 1] : '\0';
                if (IsNameStart(c) && !((c == 'N' || c == 'n') && next == '\'')) {
                    ++i;
                    while (i < n && IsNamePart(text[i])) ++i;
                } else if ((c == '.' && !IsDigit(next)) || (c == '-' && next != '-') ||
                           (c == '/' && next != '*')) {
                    ++i;
                } else {
                    break;
                }
            }
            if (i == n) break;
        }
        const char c = text[i];
        const unsigned char k = ClassOf(c);
        const char next = i + 1 < n ? text[i + 1] : '\0';
        if (k == kBlank) {
            space = true;
            ++i;
        } else if (k == kNameStart && !((c == 'N' || c == 'n') && next == '\'')) {
            const size_t start = i++;
            while (i < n && IsNamePart(text[i])) ++i;
            push(TokenType::Word, std::string_view(text + start, i - start), start, i);
        } else if (c == '-' && next == '-') {
            while (i < n && text[i] != '\n') ++i;
            space = true;
        } else if (c == '/' && next == '*') {
            const size_t end = sql.find("*/", i + 2);
            if (end == std::string_view::npos) Refuse("an unterminated comment");
            i = end + 2;
            space = true;
        } else if (c == '\'' || c == 'N' || c == 'n') {  // a name start only before a quote
            const size_t start = i;
            i += c == '\'' ? 1 : 2;
            std::string content;
            for (;;) {
                const size_t quote = sql.find('\'', i);
                if (quote == std::string_view::npos) Refuse("an unterminated text literal");
                content.append(text + i, quote - i);
                i = quote + 1;
                if (i < n && text[i] == '\'') {
                    content.push_back('\'');
                    ++i;
                    continue;
                }
                break;
            }
            pushLiteral(TokenType::String, Literal::Kind::Text, std::move(content), start, i);
        } else if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            const size_t end = sql.find(close, i + 1);
            if (end == std::string_view::npos) Refuse("an unterminated quoted name");
            const std::string_view name(text + i + 1, end - i - 1);
            // Control characters would end the name early in SQLite, or pose as the
            // translation's own literal marks.
            for (char ch : name) {
                if (static_cast<unsigned char>(ch) < 0x20) Refuse("a control character in a name");
            }
            push(TokenType::QuotedName, name, i, end + 1);
            i = end + 1;
        } else if (k == kDigit || (c == '.' && IsDigit(next))) {
            const size_t start = i;
            bool real = false;
            bool exponent = false;
            while (i < n && IsDigit(text[i])) ++i;
            if (i < n && text[i] == '.') {
                real = true;
                ++i;
                while (i < n && IsDigit(text[i])) ++i;
            }
            if (i < n && (text[i] == 'e' || text[i] == 'E')) {
                size_t j = i + 1;
                if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
                if (j < n && IsDigit(text[j])) {
                    exponent = true;
                    i = j;
                    while (i < n && IsDigit(text[i])) ++i;
                }
            }
            if (i < n && IsNameStart(text[i])) {
                Refuse("the number '" + std::string(text + start, i - start + 1) + "...'");
            }
            // Beyond 18 digits a whole number no longer fits SQLite's integers: a decimal.
            if (!real && i - start > 18) real = true;
            const Literal::Kind kind = exponent ? Literal::Kind::Float
                                       : real   ? Literal::Kind::Real
                                                : Literal::Kind::Integer;
            pushLiteral(TokenType::Number, kind, std::string(text + start, i - start), start, i);
        } else if (c == ';') {
            push(TokenType::Semicolon, std::string_view(text + i, 1), i, i + 1);
            ++i;
        } else if (c == '@') {
            Refuse("variables ('@')");
        } else if (c == '#') {
            Refuse("temporary tables ('#')");
        } else if ((c == '<' && (next == '=' || next == '>')) || (c == '>' && next == '=') ||
                   (c == '!' && next == '=')) {
            push(TokenType::Symbol, std::string_view(text + i, 2), i, i + 2);
            i += 2;
        } else if (k == kSymbol || k == kPlainSymbol) {
            push(TokenType::Symbol, std::string_view(text + i, 1), i, i + 1);
            ++i;
        } else {
            Refuse("the character '" + std::string(1, c) + "'");
        }
    }
}

// The tokens of a text, as ScanTokens finds them.
std::vector<Token> Tokenize(std::string_view sql, std::vector<Literal>* literals);

inline bool IsWord(const Token& token, std::string_view upper) {
    return token.type == TokenType::Word && Upper(token.text) == upper;
}
inline bool IsSymbol(const Token& token, std::string_view symbol) {
    return token.type == TokenType::Symbol && token.text == symbol;
}
inline bool IsName(const Token& token) {
    return token.type == TokenType::Word || token.type == TokenType::QuotedName;
}
inline bool SameName(const Token& a, const Token& b) {
    return Upper(a.text) == Upper(b.text);
}
inline std::string Describe(const Token& token) {
    return "'" + token.text + "'";
}

// A half-open range of tokens.
struct Range {
    size_t begin = 0;
    size_t end = 0;
    bool empty() const { return begin >= end; }
};

// The closing parenthesis of the one at `open`; refuses an unclosed one.
size_t MatchingParen(const std::vector<Token>& tokens, size_t open, size_t end);
// The first top-level position of a word within a range, or range.end.
size_t FindTopLevel(const std::vector<Token>& tokens, Range range, std::string_view upperWord);
// The parts of a range between top-level occurrences of a symbol.
std::vector<Range> SplitTopLevel(const std::vector<Token>& tokens, Range range,
                                 std::string_view symbol);

// A name as SQLite takes it whatever it holds: in double quotes, its own doubled.
std::string QuotedName(std::string_view name);

// Appends a token as the translation writes it: literals as marks "\x01N\x01", quoted names
// in double quotes, and one blank where the text had blanks (none after '(').
void AppendToken(std::string* out, const Token& token, bool withSpace);
void AppendTokens(std::string* out, const std::vector<Token>& tokens, Range range,
                  bool leadingSpace);

}  // namespace q9::tsql
