#include "host/db/tsql_tokens.h"

#include "host/error.h"

namespace q9::tsql {

void Refuse(const std::string& what) {
    throw HostError(CatalogError(error_number::kDatabase, "内置账套数据库不支持该SQL：%1", {what}));
}

namespace {

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsNamePart(char c) {
    return IsNameStart(c) || IsDigit(c) || c == '$';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

void ScanTokens(std::string_view sql, std::vector<Literal>* literals, TokenSink& sink) {
    bool space = false;
    size_t i = 0;
    auto push = [&](TokenType type, std::string_view text) {
        sink.Add(type, text, space, -1);
        space = false;
    };
    auto pushLiteral = [&](TokenType type, Literal literal) {
        const int index = static_cast<int>(literals->size());
        literals->push_back(std::move(literal));
        sink.Add(type, literals->back().text, space, index);
        space = false;
    };
    auto startsWith = [&](char first, char second) {
        return sql[i] == first && i + 1 < sql.size() && sql[i + 1] == second;
    };
    while (i < sql.size()) {
        const char c = sql[i];
        if (IsBlank(c)) {
            space = true;
            ++i;
        } else if (startsWith('-', '-')) {
            while (i < sql.size() && sql[i] != '\n') ++i;
            space = true;
        } else if (startsWith('/', '*')) {
            const size_t end = sql.find("*/", i + 2);
            if (end == std::string_view::npos) Refuse("an unterminated comment");
            i = end + 2;
            space = true;
        } else if (c == '\'' ||
                   ((c == 'N' || c == 'n') && i + 1 < sql.size() && sql[i + 1] == '\'')) {
            i += c == '\'' ? 1 : 2;
            std::string content;
            for (;;) {
                const size_t quote = sql.find('\'', i);
                if (quote == std::string_view::npos) Refuse("an unterminated text literal");
                content.append(sql.substr(i, quote - i));
                i = quote + 1;
                if (i < sql.size() && sql[i] == '\'') {
                    content.push_back('\'');
                    ++i;
                    continue;
                }
                break;
            }
            pushLiteral(TokenType::String, Literal{Literal::Kind::Text, std::move(content)});
        } else if (IsNameStart(c)) {
            const size_t start = i;
            while (i < sql.size() && IsNamePart(sql[i])) ++i;
            push(TokenType::Word, sql.substr(start, i - start));
        } else if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            const size_t end = sql.find(close, i + 1);
            if (end == std::string_view::npos) Refuse("an unterminated quoted name");
            const std::string_view name = sql.substr(i + 1, end - i - 1);
            // Control characters would end the name early in SQLite, or pose as the
            // translation's own literal marks.
            for (char n : name) {
                if (static_cast<unsigned char>(n) < 0x20) Refuse("a control character in a name");
            }
            push(TokenType::QuotedName, name);
            i = end + 1;
        } else if (IsDigit(c) || (c == '.' && i + 1 < sql.size() && IsDigit(sql[i + 1]))) {
            const size_t start = i;
            bool real = false;
            bool exponent = false;
            while (i < sql.size() && IsDigit(sql[i])) ++i;
            if (i < sql.size() && sql[i] == '.') {
                real = true;
                ++i;
                while (i < sql.size() && IsDigit(sql[i])) ++i;
            }
            if (i < sql.size() && (sql[i] == 'e' || sql[i] == 'E')) {
                size_t j = i + 1;
                if (j < sql.size() && (sql[j] == '+' || sql[j] == '-')) ++j;
                if (j < sql.size() && IsDigit(sql[j])) {
                    exponent = true;
                    i = j;
                    while (i < sql.size() && IsDigit(sql[i])) ++i;
                }
            }
            if (i < sql.size() && IsNameStart(sql[i])) {
                Refuse("the number '" + std::string(sql.substr(start, i - start + 1)) + "...'");
            }
            std::string digits(sql.substr(start, i - start));
            // Beyond 18 digits a whole number no longer fits SQLite's integers: a decimal.
            if (!real && digits.size() > 18) real = true;
            const Literal::Kind kind = exponent ? Literal::Kind::Float
                                       : real   ? Literal::Kind::Real
                                                : Literal::Kind::Integer;
            pushLiteral(TokenType::Number, Literal{kind, digits});
        } else if (c == ';') {
            push(TokenType::Semicolon, sql.substr(i, 1));
            ++i;
        } else if (c == '@') {
            Refuse("variables ('@')");
        } else if (c == '#') {
            Refuse("temporary tables ('#')");
        } else {
            const std::string_view two = sql.substr(i, 2);
            if (two == "<=" || two == ">=" || two == "<>" || two == "!=") {
                push(TokenType::Symbol, two);
                i += 2;
            } else if (std::string_view("(),.=<>+-*/%").find(c) != std::string_view::npos) {
                push(TokenType::Symbol, sql.substr(i, 1));
                ++i;
            } else {
                Refuse("the character '" + std::string(1, c) + "'");
            }
        }
    }
}

std::vector<Token> Tokenize(std::string_view sql, std::vector<Literal>* literals) {
    struct Collect final : TokenSink {
        std::vector<Token> tokens;
        void Add(TokenType type, std::string_view text, bool spaceBefore, int literal) override {
            tokens.push_back(Token{type, std::string(text), spaceBefore, literal});
        }
    } collect;
    collect.tokens.reserve(sql.size() / 4);
    ScanTokens(sql, literals, collect);
    return std::move(collect.tokens);
}

size_t MatchingParen(const std::vector<Token>& tokens, size_t open, size_t end) {
    int depth = 0;
    for (size_t i = open; i < end; ++i) {
        if (IsSymbol(tokens[i], "(")) ++depth;
        if (IsSymbol(tokens[i], ")") && --depth == 0) return i;
    }
    Refuse("an unclosed '('");
}

size_t FindTopLevel(const std::vector<Token>& tokens, Range range, std::string_view upperWord) {
    int depth = 0;
    for (size_t i = range.begin; i < range.end; ++i) {
        if (IsSymbol(tokens[i], "(")) ++depth;
        if (IsSymbol(tokens[i], ")")) --depth;
        if (depth == 0 && IsWord(tokens[i], upperWord)) return i;
    }
    return range.end;
}

std::vector<Range> SplitTopLevel(const std::vector<Token>& tokens, Range range,
                                 std::string_view symbol) {
    std::vector<Range> parts;
    int depth = 0;
    size_t start = range.begin;
    for (size_t i = range.begin; i < range.end; ++i) {
        if (IsSymbol(tokens[i], "(")) ++depth;
        if (IsSymbol(tokens[i], ")")) --depth;
        if (depth == 0 && IsSymbol(tokens[i], symbol)) {
            parts.push_back(Range{start, i});
            start = i + 1;
        }
    }
    parts.push_back(Range{start, range.end});
    return parts;
}

void AppendToken(std::string* out, const Token& token, bool withSpace) {
    if (withSpace && token.spaceBefore && !out->empty() && out->back() != ' ' &&
        out->back() != '(') {
        *out += ' ';
    }
    switch (token.type) {
        case TokenType::Word:
        case TokenType::Symbol:
            *out += token.text;
            break;
        case TokenType::QuotedName:
            *out += '"';
            for (char c : token.text) {
                *out += c;
                if (c == '"') *out += '"';
            }
            *out += '"';
            break;
        case TokenType::Number:
        case TokenType::String:
            *out += '\x01' + std::to_string(token.literal) + '\x01';
            break;
        case TokenType::Semicolon:
            break;
    }
}

void AppendTokens(std::string* out, const std::vector<Token>& tokens, Range range,
                  bool leadingSpace) {
    for (size_t i = range.begin; i < range.end; ++i) {
        AppendToken(out, tokens[i], leadingSpace || i != range.begin);
    }
}

}  // namespace q9::tsql
