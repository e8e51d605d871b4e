#include "host/db/tsql_tokens.h"

#include "host/error.h"

namespace q9::tsql {

void Refuse(const std::string& what) {
    throw HostError(CatalogError(error_number::kDatabase, "内置账套数据库不支持该SQL：%1", {what}));
}

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

std::vector<Token> Tokenize(std::string_view sql, std::vector<Literal>* literals) {
    struct Collect {
        static constexpr bool LiteralsOnly() { return false; }
        std::vector<Token> tokens;
        void Add(TokenType type, std::string_view text, bool spaceBefore, int literal,
                 std::string_view) {
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

std::string QuotedName(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + '"';
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
            *out += QuotedName(token.text);
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
