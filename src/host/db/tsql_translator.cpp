#include "host/db/tsql_translator.h"

#include <algorithm>
#include <optional>
#include <set>

#include "host/error.h"

namespace q9::tsql {

namespace {

[[noreturn]] void Refuse(const std::string& what) {
    throw HostError(error_number::kDatabase,
                    "SQL not supported by the embedded account database: " + what);
}

enum class TokenType { Word, QuotedName, Number, String, Symbol, Semicolon };

struct Token {
    TokenType type = TokenType::Word;
    std::string text;  // words and symbols as written; names and strings without quotes
    bool spaceBefore = false;
    int literal = -1;
};

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

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

std::vector<Token> Tokenize(std::string_view sql, std::vector<Literal>* literals) {
    std::vector<Token> tokens;
    bool space = false;
    size_t i = 0;
    auto push = [&](TokenType type, std::string text) {
        tokens.push_back(Token{type, std::move(text), space, -1});
        space = false;
    };
    auto pushLiteral = [&](TokenType type, Literal literal) {
        Token token{type, literal.text, space, static_cast<int>(literals->size())};
        literals->push_back(std::move(literal));
        tokens.push_back(std::move(token));
        space = false;
    };
    while (i < sql.size()) {
        const char c = sql[i];
        if (IsBlank(c)) {
            space = true;
            ++i;
        } else if (sql.substr(i, 2) == "--") {
            while (i < sql.size() && sql[i] != '\n') ++i;
            space = true;
        } else if (sql.substr(i, 2) == "/*") {
            const size_t end = sql.find("*/", i + 2);
            if (end == std::string_view::npos) Refuse("an unterminated comment");
            i = end + 2;
            space = true;
        } else if (c == '\'' ||
                   ((c == 'N' || c == 'n') && i + 1 < sql.size() && sql[i + 1] == '\'')) {
            i += c == '\'' ? 1 : 2;
            std::string content;
            for (;;) {
                if (i >= sql.size()) Refuse("an unterminated text literal");
                if (sql[i] == '\'') {
                    if (i + 1 < sql.size() && sql[i + 1] == '\'') {
                        content.push_back('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                content.push_back(sql[i++]);
            }
            pushLiteral(TokenType::String, Literal{Literal::Kind::Text, std::move(content)});
        } else if (IsNameStart(c)) {
            const size_t start = i;
            while (i < sql.size() && IsNamePart(sql[i])) ++i;
            push(TokenType::Word, std::string(sql.substr(start, i - start)));
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
            push(TokenType::QuotedName, std::string(name));
            i = end + 1;
        } else if (IsDigit(c) || (c == '.' && i + 1 < sql.size() && IsDigit(sql[i + 1]))) {
            const size_t start = i;
            bool real = false;
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
                    real = true;
                    i = j;
                    while (i < sql.size() && IsDigit(sql[i])) ++i;
                }
            }
            if (i < sql.size() && IsNameStart(sql[i])) {
                Refuse("the number '" + std::string(sql.substr(start, i - start + 1)) + "...'");
            }
            std::string digits(sql.substr(start, i - start));
            if (!real && digits.size() > 18) real = true;
            pushLiteral(TokenType::Number,
                        Literal{real ? Literal::Kind::Real : Literal::Kind::Integer, digits});
        } else if (c == ';') {
            push(TokenType::Semicolon, ";");
            ++i;
        } else if (c == '@') {
            Refuse("variables ('@')");
        } else if (c == '#') {
            Refuse("temporary tables ('#')");
        } else {
            const std::string_view two = sql.substr(i, 2);
            if (two == "<=" || two == ">=" || two == "<>" || two == "!=") {
                push(TokenType::Symbol, std::string(two));
                i += 2;
            } else if (std::string_view("(),.=<>+-*/%").find(c) != std::string_view::npos) {
                push(TokenType::Symbol, std::string(1, c));
                ++i;
            } else {
                Refuse("the character '" + std::string(1, c) + "'");
            }
        }
    }
    return tokens;
}

bool IsWord(const Token& token, std::string_view upper) {
    return token.type == TokenType::Word && Upper(token.text) == upper;
}
bool IsSymbol(const Token& token, std::string_view symbol) {
    return token.type == TokenType::Symbol && token.text == symbol;
}
bool IsName(const Token& token) {
    return token.type == TokenType::Word || token.type == TokenType::QuotedName;
}
bool SameName(const Token& a, const Token& b) {
    return Upper(a.text) == Upper(b.text);
}
std::string Describe(const Token& token) {
    return "'" + token.text + "'";
}

// A half-open range of tokens.
struct Range {
    size_t begin = 0;
    size_t end = 0;
    bool empty() const { return begin >= end; }
};

const std::set<std::string, std::less<>>& StatementKeywords() {
    static const std::set<std::string, std::less<>> kWords = {
        "SELECT",   "INSERT",     "UPDATE",  "DELETE",   "CREATE",  "IF",        "DROP",
        "ALTER",    "EXEC",       "EXECUTE", "GO",       "DECLARE", "BEGIN",     "COMMIT",
        "ROLLBACK", "TRUNCATE",   "MERGE",   "PRINT",    "USE",     "WHILE",     "RETURN",
        "WITH",     "SET",        "GRANT",   "REVOKE",   "DENY",    "RAISERROR", "THROW",
        "SAVE",     "BACKUP",     "RESTORE", "DBCC",     "WAITFOR", "GOTO",      "OPEN",
        "CLOSE",    "DEALLOCATE", "BREAK",   "CONTINUE", "BULK",    "KILL",      "CHECKPOINT",
        "ELSE"};
    return kWords;
}

// Splits a batch at top-level statement keywords: the host's server needs no separator.
std::vector<Range> SplitStatements(const std::vector<Token>& tokens) {
    std::vector<Range> statements;
    int depth = 0;
    bool open = false;
    std::string kind;
    bool insertHasSource = false;
    int openCases = 0;  // ELSE inside CASE ... END is no statement
    auto close = [&](size_t at) {
        if (open) statements.back().end = at;
        open = false;
    };
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.type == TokenType::Semicolon) {
            if (depth != 0) Refuse("';' inside parentheses");
            close(i);
            continue;
        }
        if (IsSymbol(token, "(")) ++depth;
        if (IsSymbol(token, ")") && --depth < 0) Refuse("an unbalanced ')'");
        if (depth == 0 && token.type == TokenType::Word &&
            (i == 0 || !IsSymbol(tokens[i - 1], "."))) {
            const std::string word = Upper(token.text);
            if (word == "CASE") ++openCases;
            if (word == "END" && openCases > 0) --openCases;
            bool starts = false;
            if (StatementKeywords().contains(word) && !(word == "ELSE" && openCases > 0)) {
                starts = true;
                if (open && word == "SELECT") {
                    const bool afterSetOperator =
                        i > 0 &&
                        (IsWord(tokens[i - 1], "UNION") || IsWord(tokens[i - 1], "ALL") ||
                         IsWord(tokens[i - 1], "EXCEPT") || IsWord(tokens[i - 1], "INTERSECT"));
                    if ((kind == "INSERT" && !insertHasSource) || afterSetOperator) starts = false;
                }
                if (open && word == "SET" && kind == "UPDATE") starts = false;
            }
            if (starts) {
                close(i);
                statements.push_back(Range{i, tokens.size()});
                open = true;
                kind = word;
                insertHasSource = false;
            } else if (kind == "INSERT" && (word == "SELECT" || word == "VALUES")) {
                insertHasSource = true;
            }
        }
        if (!open) Refuse(Describe(token) + " where a statement should begin");
    }
    if (depth != 0) Refuse("an unclosed '('");
    close(tokens.size());
    return statements;
}

// Builds the SQLite text of one statement.
class Writer {
  public:
    explicit Writer(const std::vector<Token>& tokens) : tokens_(tokens) {}

    void Text(std::string_view text) { template_ += text; }
    void Token(const q9::tsql::Token& token, bool withSpace) {
        if (withSpace && token.spaceBefore && !template_.empty() && template_.back() != ' ' &&
            template_.back() != '(') {
            template_ += ' ';
        }
        switch (token.type) {
            case TokenType::Word:
            case TokenType::Symbol:
                template_ += token.text;
                break;
            case TokenType::QuotedName: {
                template_ += '"';
                for (char c : token.text) {
                    template_ += c;
                    if (c == '"') template_ += '"';
                }
                template_ += '"';
                break;
            }
            case TokenType::Number:
            case TokenType::String:
                template_ += '\x01' + std::to_string(token.literal) + '\x01';
                break;
            case TokenType::Semicolon:
                break;
        }
    }
    // The tokens of a range as written, blanks collapsed to one.
    void Tokens(Range range, bool leadingSpace = true) {
        for (size_t i = range.begin; i < range.end; ++i) {
            Token(tokens_[i], leadingSpace || i != range.begin);
        }
    }

    TranslatedStatement Finish(std::string keyword, bool bindLiterals) const {
        TranslatedStatement statement;
        statement.keyword = std::move(keyword);
        statement.bindLiterals = bindLiterals;
        statement.templateSql = template_;
        // The bound form: every literal mark becomes "?", its literal a parameter.
        for (size_t i = 0; i < template_.size(); ++i) {
            if (template_[i] != '\x01') {
                statement.sql += template_[i];
                continue;
            }
            const size_t end = template_.find('\x01', i + 1);
            statement.parameters.push_back(std::stoi(template_.substr(i + 1, end - i - 1)));
            statement.sql += '?';
            i = end;
        }
        return statement;
    }

  private:
    const std::vector<q9::tsql::Token>& tokens_;
    std::string template_;
};

class StatementTranslator {
  public:
    explicit StatementTranslator(const std::vector<Token>& tokens) : tokens_(tokens) {}

    TranslatedStatement Translate(Range range) const {
        const std::string keyword = Upper(tokens_[range.begin].text);
        if (keyword == "SELECT") return Query(range);
        if (keyword == "INSERT") return Insert(range);
        if (keyword == "UPDATE") return Update(range);
        if (keyword == "DELETE") return Delete(range);
        if (keyword == "CREATE") return CreateTable(range);
        Refuse("the statement " + Describe(tokens_[range.begin]));
    }

    // IF NOT EXISTS(query): the guard of the statement that follows.
    TranslatedStatement Guard(Range range) const {
        size_t i = range.begin + 1;
        if (i + 1 >= range.end || !IsWord(tokens_[i], "NOT") || !IsWord(tokens_[i + 1], "EXISTS"))
            Refuse("IF other than 'IF NOT EXISTS(...)'");
        i += 2;
        if (i >= range.end || !IsSymbol(tokens_[i], "(")) Refuse("IF NOT EXISTS without '('");
        const size_t close = MatchingParen(i, range.end);
        if (close + 1 != range.end) Refuse("a condition after IF NOT EXISTS(...)");
        const Range inner{i + 1, close};
        if (inner.empty() || !IsWord(tokens_[inner.begin], "SELECT"))
            Refuse("IF NOT EXISTS without a query");
        return Query(inner);
    }

  private:
    size_t MatchingParen(size_t open, size_t end) const {
        int depth = 0;
        for (size_t i = open; i < end; ++i) {
            if (IsSymbol(tokens_[i], "(")) ++depth;
            if (IsSymbol(tokens_[i], ")") && --depth == 0) return i;
        }
        Refuse("an unclosed '('");
    }

    // Top-level positions of a word within a range.
    size_t FindTopLevel(Range range, std::string_view upperWord) const {
        int depth = 0;
        for (size_t i = range.begin; i < range.end; ++i) {
            if (IsSymbol(tokens_[i], "(")) ++depth;
            if (IsSymbol(tokens_[i], ")")) --depth;
            if (depth == 0 && IsWord(tokens_[i], upperWord)) return i;
        }
        return range.end;
    }

    std::vector<Range> SplitTopLevel(Range range, std::string_view symbol) const {
        std::vector<Range> parts;
        int depth = 0;
        size_t start = range.begin;
        for (size_t i = range.begin; i < range.end; ++i) {
            if (IsSymbol(tokens_[i], "(")) ++depth;
            if (IsSymbol(tokens_[i], ")")) --depth;
            if (depth == 0 && IsSymbol(tokens_[i], symbol)) {
                parts.push_back(Range{start, i});
                start = i + 1;
            }
        }
        parts.push_back(Range{start, range.end});
        return parts;
    }

    // Refuses what SQLite would read differently from the host's server, or not at all.
    void CheckExpression(Range range) const {
        static const std::set<std::string, std::less<>> kRefused = {
            "TOP",       "INTO",  "OUTPUT",   "WITH",    "NOLOCK",  "PIVOT",    "UNPIVOT",
            "APPLY",     "OVER",  "COLLATE",  "FOR",     "OPTION",  "LIKE",     "ESCAPE",
            "OFFSET",    "FETCH", "LIMIT",    "GLOB",    "REGEXP",  "MATCH",    "INDEXED",
            "RETURNING", "RAISE", "IDENTITY", "ROWID",   "NATURAL", "USING",    "CROSS",
            "FULL",      "RIGHT", "ISNULL",   "NOTNULL", "COMPUTE", "CONTAINS", "FREETEXT"};
        static const std::set<std::string, std::less<>> kNotFunctions = {
            "SELECT", "FROM", "WHERE",    "AND",  "OR",      "NOT",    "IN",
            "EXISTS", "ON",   "JOIN",     "AS",   "CASE",    "WHEN",   "THEN",
            "ELSE",   "END",  "IS",       "NULL", "BETWEEN", "VALUES", "SET",
            "UNION",  "ALL",  "DISTINCT", "BY",   "HAVING",  "EXCEPT", "INTERSECT"};
        static const std::set<std::string, std::less<>> kFunctions = {
            "ROUND", "SUM", "COUNT", "MIN", "MAX", "AVG", "ABS"};
        for (size_t i = range.begin; i < range.end; ++i) {
            const Token& token = tokens_[i];
            if (token.type == TokenType::Symbol && (token.text == "%" || token.text == "!=")) {
                continue;
            }
            if (token.type != TokenType::Word) continue;
            const std::string word = Upper(token.text);
            const bool qualified = i > range.begin && IsSymbol(tokens_[i - 1], ".");
            if (!qualified && kRefused.contains(word)) Refuse(Describe(token));
            const bool call = i + 1 < range.end && IsSymbol(tokens_[i + 1], "(");
            if (call && (qualified || !kNotFunctions.contains(word)) && !kFunctions.contains(word))
                Refuse("the function " + Describe(token));
            if (!qualified && word == "SELECT") CheckSelectList(i, range.end);
        }
    }

    // "SELECT name = expression" names a column on the host's server but compares in SQLite.
    void CheckSelectList(size_t select, size_t end) const {
        int depth = 0;
        bool itemStart = true;
        for (size_t i = select + 1; i < end; ++i) {
            const Token& token = tokens_[i];
            if (IsSymbol(token, "(")) ++depth;
            if (IsSymbol(token, ")")) {
                if (--depth < 0) return;
            }
            if (depth != 0) continue;
            if (IsWord(token, "FROM") || IsWord(token, "WHERE")) return;
            if (itemStart && IsName(token) && i + 1 < end && IsSymbol(tokens_[i + 1], "="))
                Refuse("the column alias form " + Describe(token) + " = expression");
            itemStart = IsSymbol(token, ",");
        }
    }

    bool HasOrdering(Range range) const {
        for (size_t i = range.begin; i < range.end; ++i) {
            if (IsWord(tokens_[i], "ORDER") || IsWord(tokens_[i], "GROUP")) return true;
        }
        return false;
    }

    TranslatedStatement Query(Range range) const {
        CheckExpression(range);
        Writer writer(tokens_);
        writer.Tokens(range, false);
        // Numbers in ORDER BY / GROUP BY may be column positions: they stay in the text.
        return writer.Finish("SELECT", !HasOrdering(range));
    }

    TranslatedStatement Insert(Range range) const {
        size_t i = range.begin + 1;
        if (i < range.end && IsWord(tokens_[i], "INTO")) ++i;
        if (i >= range.end || !IsName(tokens_[i])) Refuse("INSERT without a table");
        const size_t table = i++;
        if (i < range.end && IsSymbol(tokens_[i], ".")) Refuse("a qualified table name in INSERT");
        Range columns{i, i};
        if (i < range.end && IsSymbol(tokens_[i], "(")) {
            const size_t close = MatchingParen(i, range.end);
            for (size_t j = i + 1; j < close; ++j) {
                if (!IsName(tokens_[j]) && !IsSymbol(tokens_[j], ","))
                    Refuse(Describe(tokens_[j]) + " in an INSERT column list");
            }
            columns = Range{i, close + 1};
            i = close + 1;
        }
        if (i >= range.end || !(IsWord(tokens_[i], "SELECT") || IsWord(tokens_[i], "VALUES")))
            Refuse("INSERT without SELECT or VALUES");
        const Range source{i, range.end};
        CheckExpression(source);
        Writer writer(tokens_);
        writer.Text("INSERT INTO ");
        writer.Token(tokens_[table], false);
        writer.Tokens(columns, false);
        writer.Text(" ");
        writer.Tokens(source, false);
        return writer.Finish("INSERT", !HasOrdering(source));
    }

    TranslatedStatement Delete(Range range) const {
        size_t i = range.begin + 1;
        if (i < range.end && IsWord(tokens_[i], "FROM")) ++i;
        if (i >= range.end || !IsName(tokens_[i])) Refuse("DELETE without a table");
        const size_t table = i++;
        if (i < range.end && !IsWord(tokens_[i], "WHERE"))
            Refuse(Describe(tokens_[i]) + " after the table of DELETE");
        const Range rest{i, range.end};
        CheckExpression(rest);
        Writer writer(tokens_);
        writer.Text("DELETE FROM ");
        writer.Token(tokens_[table], false);
        writer.Tokens(rest);
        return writer.Finish("DELETE", true);
    }

    struct FromItem {
        size_t table = 0;
        std::optional<size_t> alias;
        Range on;
    };

    static bool IsJoinWord(const Token& token) {
        return IsWord(token, "INNER") || IsWord(token, "JOIN") || IsWord(token, "LEFT") ||
               IsWord(token, "RIGHT") || IsWord(token, "FULL") || IsWord(token, "CROSS") ||
               IsWord(token, "OUTER");
    }

    std::vector<FromItem> ParseFrom(Range range) const {
        std::vector<FromItem> items;
        size_t i = range.begin;
        auto tableReference = [&]() {
            if (i >= range.end || !IsName(tokens_[i])) Refuse("a FROM item that is not a table");
            FromItem item;
            item.table = i++;
            if (i < range.end && IsSymbol(tokens_[i], ".")) Refuse("a qualified table name");
            if (i < range.end && IsWord(tokens_[i], "AS")) ++i;
            if (i < range.end && IsName(tokens_[i]) && !IsJoinWord(tokens_[i]) &&
                !IsWord(tokens_[i], "ON") && !IsWord(tokens_[i], "WITH")) {
                item.alias = i++;
            }
            return item;
        };
        items.push_back(tableReference());
        while (i < range.end) {
            if (IsSymbol(tokens_[i], ",")) {
                ++i;
                items.push_back(tableReference());
                continue;
            }
            if (IsWord(tokens_[i], "INNER")) ++i;
            if (i >= range.end || !IsWord(tokens_[i], "JOIN")) {
                Refuse(Describe(tokens_[i]) + " in the FROM clause of an UPDATE");
            }
            ++i;
            FromItem item = tableReference();
            if (i >= range.end || !IsWord(tokens_[i], "ON")) Refuse("JOIN without ON");
            ++i;
            int depth = 0;
            const size_t start = i;
            for (; i < range.end; ++i) {
                if (IsSymbol(tokens_[i], "(")) ++depth;
                if (IsSymbol(tokens_[i], ")")) --depth;
                if (depth == 0 && (IsJoinWord(tokens_[i]) || IsSymbol(tokens_[i], ","))) break;
            }
            item.on = Range{start, i};
            if (item.on.empty()) Refuse("an empty ON condition");
            items.push_back(item);
        }
        return items;
    }

    // UPDATE alias SET ... FROM table alias JOIN ... WHERE ... becomes SQLite's UPDATE table AS
    // alias SET ... FROM others WHERE ...: the join conditions move to WHERE, because SQLite's ON
    // clauses cannot see the updated table.
    TranslatedStatement Update(Range range) const {
        size_t i = range.begin + 1;
        if (i >= range.end || !IsName(tokens_[i])) Refuse("UPDATE without a table");
        const size_t target = i++;
        if (i < range.end && IsSymbol(tokens_[i], ".")) Refuse("a qualified table name in UPDATE");
        if (i >= range.end || !IsWord(tokens_[i], "SET"))
            Refuse(Describe(i < range.end ? tokens_[i] : tokens_[target]) + " after UPDATE " +
                   Describe(tokens_[target]));
        const Range afterSet{i + 1, range.end};
        const size_t from = FindTopLevel(afterSet, "FROM");
        const size_t where = FindTopLevel(Range{from, range.end}, "WHERE");
        const Range assignmentsRange{afterSet.begin, std::min(from, where)};
        const Range fromRange{std::min(from + 1, where), where};
        const Range condition{std::min(where + 1, range.end), range.end};
        if (from != range.end && fromRange.empty()) Refuse("an empty FROM clause");
        if (where != range.end && condition.empty()) Refuse("an empty WHERE clause");

        std::vector<FromItem> items;
        std::optional<size_t> updated;
        if (from != range.end) {
            items = ParseFrom(fromRange);
            for (size_t k = 0; k < items.size() && !updated; ++k) {
                if (items[k].alias && SameName(tokens_[*items[k].alias], tokens_[target]))
                    updated = k;
            }
            for (size_t k = 0; k < items.size() && !updated; ++k) {
                if (!items[k].alias && SameName(tokens_[items[k].table], tokens_[target]))
                    updated = k;
            }
            if (!updated)
                Refuse("UPDATE of " + Describe(tokens_[target]) +
                       ", which its FROM clause does not name");
        }

        Writer writer(tokens_);
        writer.Text("UPDATE ");
        if (updated) {
            writer.Token(tokens_[items[*updated].table], false);
            if (items[*updated].alias) {
                writer.Text(" AS ");
                writer.Token(tokens_[*items[*updated].alias], false);
            }
        } else {
            writer.Token(tokens_[target], false);
        }
        writer.Text(" SET ");
        bool firstAssignment = true;
        for (const Range& assignment : SplitTopLevel(assignmentsRange, ",")) {
            size_t a = assignment.begin;
            if (assignment.empty() || !IsName(tokens_[a])) Refuse("an empty SET assignment");
            if (a + 1 < assignment.end && IsSymbol(tokens_[a + 1], ".")) {
                if (!SameName(tokens_[a], tokens_[target]))
                    Refuse("a SET target of another table " + Describe(tokens_[a]));
                a += 2;
            }
            if (a + 1 >= assignment.end || !IsName(tokens_[a]) || !IsSymbol(tokens_[a + 1], "="))
                Refuse("a SET assignment that is not 'column = value'");
            CheckExpression(Range{a + 2, assignment.end});
            if (!firstAssignment) writer.Text(",");
            firstAssignment = false;
            writer.Tokens(Range{a, assignment.end}, false);
        }

        std::vector<Range> conditions;
        bool firstOther = true;
        for (size_t k = 0; k < items.size(); ++k) {
            if (!items[k].on.empty()) conditions.push_back(items[k].on);
            if (updated && k == *updated) continue;
            writer.Text(firstOther ? " FROM " : ", ");
            firstOther = false;
            writer.Token(tokens_[items[k].table], false);
            if (items[k].alias) {
                writer.Text(" AS ");
                writer.Token(tokens_[*items[k].alias], false);
            }
        }
        if (!condition.empty()) conditions.push_back(condition);
        for (size_t k = 0; k < conditions.size(); ++k) {
            CheckExpression(conditions[k]);
            writer.Text(k == 0 ? " WHERE " : " AND ");
            if (conditions.size() > 1) writer.Text("(");
            writer.Tokens(conditions[k], false);
            if (conditions.size() > 1) writer.Text(")");
        }
        return writer.Finish("UPDATE", true);
    }

    std::string ColumnType(const Token& type) const {
        const std::string word = Upper(type.text);
        static const std::set<std::string, std::less<>> kInteger = {
            "INT", "INTEGER", "SMALLINT", "TINYINT", "BIGINT", "BIT"};
        // Amounts must keep fractions and divide as decimals: never integer affinity.
        static const std::set<std::string, std::less<>> kReal = {"DECIMAL",    "NUMERIC", "MONEY",
                                                                 "SMALLMONEY", "FLOAT",   "REAL"};
        static const std::set<std::string, std::less<>> kText = {"VARCHAR", "NVARCHAR", "CHAR",
                                                                 "NCHAR",   "TEXT",     "NTEXT"};
        static const std::set<std::string, std::less<>> kDate = {"DATETIME", "SMALLDATETIME",
                                                                 "DATE", "DATETIME2"};
        if (type.type == TokenType::Word) {
            if (kInteger.contains(word)) return "INTEGER";
            if (kReal.contains(word)) return "REAL";
            if (kText.contains(word)) return "TEXT COLLATE NOCASE";
            if (kDate.contains(word)) return "TEXT";
        }
        Refuse("the column type " + Describe(type));
    }

    TranslatedStatement CreateTable(Range range) const {
        size_t i = range.begin + 1;
        if (i >= range.end || !IsWord(tokens_[i], "TABLE"))
            Refuse("CREATE " + (i < range.end ? tokens_[i].text : std::string()));
        ++i;
        if (i >= range.end || !IsName(tokens_[i])) Refuse("CREATE TABLE without a name");
        const size_t table = i++;
        if (i >= range.end || !IsSymbol(tokens_[i], "("))
            Refuse("CREATE TABLE without a column list");
        const size_t close = MatchingParen(i, range.end);
        if (close + 1 != range.end) Refuse(Describe(tokens_[close + 1]) + " after CREATE TABLE");

        Writer writer(tokens_);
        writer.Text("CREATE TABLE ");
        writer.Token(tokens_[table], false);
        writer.Text("(");
        bool firstColumn = true;
        for (const Range& column : SplitTopLevel(Range{i + 1, close}, ",")) {
            if (column.empty()) Refuse("an empty column definition");
            size_t c = column.begin;
            if (!firstColumn) writer.Text(",");
            firstColumn = false;
            if (IsWord(tokens_[c], "PRIMARY")) {
                if (c + 2 >= column.end || !IsWord(tokens_[c + 1], "KEY") ||
                    !IsSymbol(tokens_[c + 2], "("))
                    Refuse("a PRIMARY constraint other than PRIMARY KEY(columns)");
                writer.Text("PRIMARY KEY");
                writer.Tokens(Range{c + 2, column.end}, false);
                continue;
            }
            if (!IsName(tokens_[c]) || c + 1 >= column.end) Refuse("a column without a type");
            writer.Token(tokens_[c], false);
            writer.Text(" " + ColumnType(tokens_[c + 1]));
            c += 2;
            if (c < column.end && IsSymbol(tokens_[c], "(")) c = MatchingParen(c, column.end) + 1;
            while (c < column.end) {
                if (IsWord(tokens_[c], "NULL")) {
                    ++c;
                } else if (IsWord(tokens_[c], "NOT") && c + 1 < column.end &&
                           IsWord(tokens_[c + 1], "NULL")) {
                    writer.Text(" NOT NULL");
                    c += 2;
                } else if (IsWord(tokens_[c], "PRIMARY") && c + 1 < column.end &&
                           IsWord(tokens_[c + 1], "KEY")) {
                    writer.Text(" PRIMARY KEY");
                    c += 2;
                } else if (IsWord(tokens_[c], "DEFAULT") && c + 1 < column.end &&
                           tokens_[c + 1].literal >= 0) {
                    writer.Text(" DEFAULT ");
                    writer.Token(tokens_[c + 1], false);
                    c += 2;
                } else {
                    Refuse(Describe(tokens_[c]) + " in a column definition");
                }
            }
        }
        writer.Text(")");
        return writer.Finish("CREATE", false);
    }

    const std::vector<Token>& tokens_;
};

std::string QuoteText(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

}  // namespace

Shape ShapeOf(std::string_view tsql) {
    Shape shape;
    const std::vector<Token> tokens = Tokenize(tsql, &shape.literals);
    shape.key.reserve(tsql.size());
    for (const Token& token : tokens) {
        if (token.spaceBefore) shape.key += ' ';
        if (token.literal >= 0) {
            shape.key += '?';
        } else if (token.type == TokenType::QuotedName) {
            shape.key += "[" + token.text + "]";
        } else {
            shape.key += token.text;
        }
    }
    return shape;
}

TranslatedBatch Translate(std::string_view tsql) {
    std::vector<Literal> literals;
    const std::vector<Token> tokens = Tokenize(tsql, &literals);
    const std::vector<Range> ranges = SplitStatements(tokens);
    const StatementTranslator translator(tokens);
    TranslatedBatch batch;
    for (size_t k = 0; k < ranges.size(); ++k) {
        if (ranges[k].empty()) continue;
        if (!IsWord(tokens[ranges[k].begin], "IF")) {
            batch.statements.push_back(translator.Translate(ranges[k]));
            continue;
        }
        auto guard = std::make_shared<const TranslatedStatement>(translator.Guard(ranges[k]));
        if (k + 1 >= ranges.size() || ranges[k + 1].empty() ||
            IsWord(tokens[ranges[k + 1].begin], "IF"))
            Refuse("IF NOT EXISTS(...) without the statement it guards");
        TranslatedStatement body = translator.Translate(ranges[++k]);
        body.unlessExists = std::move(guard);
        batch.statements.push_back(std::move(body));
    }
    if (batch.statements.empty()) Refuse("an empty SQL text");
    return batch;
}

std::string Render(const TranslatedStatement& statement, const std::vector<Literal>& literals) {
    const std::string& text = statement.templateSql;
    std::string result;
    result.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\x01') {
            result += text[i];
            continue;
        }
        const size_t end = text.find('\x01', i + 1);
        const Literal& literal = literals.at(std::stoul(text.substr(i + 1, end - i - 1)));
        result += literal.kind == Literal::Kind::Text ? QuoteText(literal.text) : literal.text;
        i = end;
    }
    return result;
}

std::vector<std::string> TranslateToText(std::string_view tsql) {
    const Shape shape = ShapeOf(tsql);
    std::vector<std::string> texts;
    for (const TranslatedStatement& statement : Translate(tsql).statements) {
        std::string text;
        if (statement.unlessExists)
            text = "IF NOT EXISTS(" + Render(*statement.unlessExists, shape.literals) + ") ";
        texts.push_back(text + Render(statement, shape.literals));
    }
    return texts;
}

std::shared_ptr<const TranslatedBatch> TranslationCache::Get(std::string_view tsql,
                                                             const Shape& shape) {
    if (auto found = byShape_.find(shape.key); found != byShape_.end()) {
        ++hits_;
        return found->second;
    }
    ++misses_;
    auto batch = std::make_shared<const TranslatedBatch>(Translate(tsql));
    if (byShape_.size() >= capacity_) byShape_.clear();
    byShape_.emplace(shape.key, batch);
    return batch;
}

}  // namespace q9::tsql
