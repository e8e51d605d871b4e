#pragma once

// The tool's T-SQL as tokens, shared by the translation's parts.

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

// Receives the tokens of a text one by one; `text` is as in Token and valid only during the call.
class TokenSink {
  public:
    virtual void Add(TokenType type, std::string_view text, bool spaceBefore, int literal) = 0;

  protected:
    ~TokenSink() = default;
};

// Hands the tokens of a text to `sink` in order; its literals are appended to `literals`,
// tokens refer to them by index. Refuses characters the tool's SQL never holds.
void ScanTokens(std::string_view sql, std::vector<Literal>* literals, TokenSink& sink);

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

// Appends a token as the translation writes it: literals as marks "\x01N\x01", quoted names
// in double quotes, and one blank where the text had blanks (none after '(').
void AppendToken(std::string* out, const Token& token, bool withSpace);
void AppendTokens(std::string* out, const std::vector<Token>& tokens, Range range,
                  bool leadingSpace);

}  // namespace q9::tsql
