#include "host/db/tsql_translator.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>

#include "host/db/tsql_tokens.h"
#include "host/db/tsql_typing.h"
#include "host/error.h"

namespace q9::tsql {

namespace {

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
        AppendToken(&template_, token, withSpace);
    }
    // The tokens of a range as written, blanks collapsed to one.
    void Tokens(Range range, bool leadingSpace = true) {
        AppendTokens(&template_, tokens_, range, leadingSpace);
    }
    std::string* Out() { return &template_; }

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
    StatementTranslator(const std::vector<Token>& tokens, const std::vector<Literal>& literals,
                        Catalog* catalog)
        : tokens_(tokens),
          literals_(literals),
          catalog_(catalog),
          typed_(tokens, literals, *catalog) {}

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
        return tsql::MatchingParen(tokens_, open, end);
    }
    size_t FindTopLevel(Range range, std::string_view upperWord) const {
        return tsql::FindTopLevel(tokens_, range, upperWord);
    }
    std::vector<Range> SplitTopLevel(Range range, std::string_view symbol) const {
        return tsql::SplitTopLevel(tokens_, range, symbol);
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
        std::vector<SqlType> columns;
        typed_.Query(writer.Out(), range, nullptr, false, &columns);
        // Numbers in ORDER BY / GROUP BY may be column positions: they stay in the text.
        TranslatedStatement statement = writer.Finish("SELECT", !HasOrdering(range));
        statement.columnTypes = std::move(columns);
        return statement;
    }

    // The types of the columns an INSERT fills, in the order its values come.
    std::vector<SqlType> InsertTargets(const Token& table, Range columns) const {
        std::vector<SqlType> targets;
        const TableDef* def = catalog_->Find(table.text);
        if (!def) return targets;
        if (columns.empty()) {
            for (const ColumnDef& c : def->columns) targets.push_back(c.type);
            return targets;
        }
        for (size_t j = columns.begin + 1; j + 1 < columns.end; ++j) {
            if (!IsName(tokens_[j])) continue;
            const ColumnDef* c = def->Find(tokens_[j].text);
            targets.push_back(c ? c->type : SqlType::Unknown());
        }
        return targets;
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
        const std::vector<SqlType> targets = InsertTargets(tokens_[table], columns);
        Writer writer(tokens_);
        writer.Text("INSERT INTO ");
        writer.Token(tokens_[table], false);
        writer.Tokens(columns, false);
        writer.Text(" ");
        if (IsWord(tokens_[i], "SELECT")) {
            typed_.Query(writer.Out(), source, nullptr, false, nullptr, &targets);
        } else {
            writer.Tokens(Range{i, i + 1}, false);
            Values(&writer, Range{i + 1, range.end}, targets);
        }
        return writer.Finish("INSERT", !HasOrdering(source));
    }

    // VALUES (...), (...): every value converted to its column's type.
    void Values(Writer* writer, Range rows, const std::vector<SqlType>& targets) const {
        const Scope none;
        for (size_t i = rows.begin; i < rows.end;) {
            if (!IsSymbol(tokens_[i], "(")) {
                writer->Token(tokens_[i++], true);
                continue;
            }
            const size_t close = MatchingParen(i, rows.end);
            writer->Token(tokens_[i], true);
            size_t k = 0;
            for (const Range& value : SplitTopLevel(Range{i + 1, close}, ",")) {
                if (k) writer->Text(",");
                if (value.empty()) Refuse("an empty value in VALUES");
                typed_.Expression(writer->Out(), value, none, k != 0,
                                  k < targets.size() ? &targets[k] : nullptr);
                ++k;
            }
            writer->Token(tokens_[close], true);
            i = close + 1;
        }
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
        if (!rest.empty()) {
            writer.Token(tokens_[rest.begin], true);
            if (rest.begin + 1 >= rest.end) Refuse("an empty WHERE clause");
            Scope scope;
            scope.entries.push_back({tokens_[table].text, catalog_->Find(tokens_[table].text)});
            typed_.Expression(writer.Out(), Range{rest.begin + 1, rest.end}, scope, true);
        }
        return writer.Finish("DELETE", true);
    }

    // The parts of a condition joined by AND at its top level, or the whole where an OR or a
    // BETWEEN there would be cut apart.
    std::vector<Range> TopLevelTerms(Range condition) const {
        if (condition.empty()) return {};
        std::vector<Range> terms;
        int depth = 0;
        size_t start = condition.begin;
        for (size_t k = condition.begin; k < condition.end; ++k) {
            const Token& token = tokens_[k];
            if (IsSymbol(token, "(")) ++depth;
            if (IsSymbol(token, ")")) --depth;
            if (depth != 0) continue;
            if (IsWord(token, "OR") || IsWord(token, "BETWEEN")) return {condition};
            if (IsWord(token, "AND")) {
                terms.push_back(Range{start, k});
                start = k + 1;
            }
        }
        terms.push_back(Range{start, condition.end});
        for (const Range& term : terms) {
            if (term.empty()) return {condition};
        }
        return terms;
    }

    // The names a range reads: the qualifier of each qualified column, and each unqualified
    // name that does not call a function.
    struct NamesRead {
        std::vector<const Token*> qualifiers;
        std::vector<const Token*> unqualified;
    };
    NamesRead NamesIn(Range range) const {
        NamesRead names;
        for (size_t k = range.begin; k < range.end; ++k) {
            const Token& token = tokens_[k];
            if (!IsName(token)) continue;
            if (k + 1 < range.end && IsSymbol(tokens_[k + 1], ".")) {
                names.qualifiers.push_back(&token);
                k += 2;  // the column
            } else if (k + 1 >= range.end || !IsSymbol(tokens_[k + 1], "(")) {
                names.unqualified.push_back(&token);
            }
        }
        return names;
    }

    // Whether a condition reads nothing but columns of the updated table (known by its
    // definition, or by the name it goes by) and no subquery.
    bool OfUpdatedOnly(Range term, const Token& name, const TableDef* table) const {
        static const std::set<std::string, std::less<>> kWords = {
            "AND", "OR", "NOT", "IS", "NULL", "IN", "CASE", "WHEN", "THEN", "ELSE", "END"};
        const NamesRead names = NamesIn(term);
        for (const Token* qualifier : names.qualifiers) {
            if (!SameName(*qualifier, name)) return false;
        }
        for (const Token* token : names.unqualified) {
            if (token->type == TokenType::Word && kWords.contains(Upper(token->text))) continue;
            if (!table || !table->Find(token->text)) return false;
        }
        return true;
    }

    void RefuseAmbiguous(Range range, const std::vector<const TableDef*>& tables) const {
        for (const Token* token : NamesIn(range).unqualified) {
            int holding = 0;
            for (const TableDef* table : tables)
                holding += table && table->Find(token->text) ? 1 : 0;
            if (holding > 1) Refuse("the ambiguous column name " + Describe(*token));
        }
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
    // alias SET (columns)=(SELECT values FROM others WHERE joins) WHERE EXISTS(SELECT 1 FROM
    // others WHERE joins) AND conditions: the join conditions move to WHERE, because SQLite's ON
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
        const size_t where =
            FindTopLevel(Range{from == range.end ? afterSet.begin : from, range.end}, "WHERE");
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
        // The names the values and conditions see.
        Scope scope;
        if (items.empty()) {
            scope.entries.push_back({tokens_[target].text, catalog_->Find(tokens_[target].text)});
        }
        for (const FromItem& item : items) {
            const Token& name = tokens_[item.alias ? *item.alias : item.table];
            scope.entries.push_back({name.text, catalog_->Find(tokens_[item.table].text)});
        }
        const TableDef* updatedTable =
            catalog_->Find(tokens_[updated ? items[*updated].table : target].text);

        // Each assignment's column and value.
        std::vector<std::pair<Range, Range>> assignments;
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
            assignments.emplace_back(Range{a, a + 1}, Range{a + 2, assignment.end});
        }
        const auto writeValue = [&](const std::pair<Range, Range>& assignment, bool leadingSpace) {
            const ColumnDef* column =
                updatedTable ? updatedTable->Find(tokens_[assignment.first.begin].text) : nullptr;
            typed_.Expression(writer.Out(), assignment.second, scope, leadingSpace,
                              column ? &column->type : nullptr);
        };

        std::vector<Range> joins;  // the ON conditions
        for (const FromItem& item : items) {
            if (!item.on.empty()) joins.push_back(item.on);
        }
        for (const Range& on : joins) CheckExpression(on);
        if (!condition.empty()) CheckExpression(condition);

        if (items.size() <= 1) {
            writer.Text(" SET ");
            for (size_t k = 0; k < assignments.size(); ++k) {
                if (k > 0) writer.Text(",");
                writer.Tokens(Range{assignments[k].first.begin, assignments[k].first.end + 1},
                              false);
                writeValue(assignments[k], true);
            }
            std::vector<Range> conditions = joins;
            if (!condition.empty()) conditions.push_back(condition);
            for (size_t k = 0; k < conditions.size(); ++k) {
                writer.Text(k == 0 ? " WHERE " : " AND ");
                if (conditions.size() > 1) writer.Text("(");
                typed_.Expression(writer.Out(), conditions[k], scope, false);
                if (conditions.size() > 1) writer.Text(")");
            }
            return writer.Finish("UPDATE", true);
        }

        // With other tables: SQLite's UPDATE ... FROM first copies the join into a table of its
        // own, which for the one line a statement rewrites costs more than the rewrite. The
        // values come instead from one correlated subquery over the other tables, and the inner
        // join's "only rows with partners" from EXISTS over the same; the conditions on the
        // updated table alone stay outside, where they find its rows by its keys.
        // The subqueries would read a name of two tables as the other table's; the host's
        // server refuses it.
        std::vector<const TableDef*> tables;
        for (const FromItem& item : items)
            tables.push_back(catalog_->Find(tokens_[item.table].text));
        for (const auto& assignment : assignments) RefuseAmbiguous(assignment.second, tables);
        for (const Range& on : joins) RefuseAmbiguous(on, tables);
        RefuseAmbiguous(condition, tables);
        const Token& alias =
            tokens_[items[*updated].alias ? *items[*updated].alias : items[*updated].table];
        std::vector<Range> outside;
        std::vector<Range> inside = joins;
        for (const Range& term : TopLevelTerms(condition)) {
            (OfUpdatedOnly(term, alias, updatedTable) ? outside : inside).push_back(term);
        }
        const auto writeOthers = [&] {
            bool first = true;
            for (size_t k = 0; k < items.size(); ++k) {
                if (k == *updated) continue;
                writer.Text(first ? " FROM " : ", ");
                first = false;
                writer.Token(tokens_[items[k].table], false);
                if (items[k].alias) {
                    writer.Text(" AS ");
                    writer.Token(tokens_[*items[k].alias], false);
                }
            }
            for (size_t k = 0; k < inside.size(); ++k) {
                writer.Text(k == 0 ? " WHERE (" : " AND (");
                typed_.Expression(writer.Out(), inside[k], scope, false);
                writer.Text(")");
            }
        };
        writer.Text(" SET (");
        for (size_t k = 0; k < assignments.size(); ++k) {
            if (k > 0) writer.Text(",");
            writer.Tokens(assignments[k].first, false);
        }
        writer.Text(")=(SELECT ");
        for (size_t k = 0; k < assignments.size(); ++k) {
            if (k > 0) writer.Text(", ");
            writeValue(assignments[k], false);
        }
        writeOthers();
        writer.Text(") WHERE EXISTS(SELECT 1");
        writeOthers();
        writer.Text(")");
        for (const Range& term : outside) {
            writer.Text(" AND (");
            typed_.Expression(writer.Out(), term, scope, false);
            writer.Text(")");
        }
        return writer.Finish("UPDATE", true);
    }

    // Writes the SQLite declaration of a column type starting at token `at` and answers its
    // type; `next` is set past the type's arguments.
    SqlType ColumnType(Writer* writer, size_t at, size_t end, size_t* next) const {
        const Token& type = tokens_[at];
        const std::string word = Upper(type.text);
        static const std::set<std::string, std::less<>> kInteger = {
            "INT", "INTEGER", "SMALLINT", "TINYINT", "BIGINT", "BIT"};
        static const std::set<std::string, std::less<>> kDecimal = {"DECIMAL", "NUMERIC", "MONEY",
                                                                    "SMALLMONEY"};
        static const std::set<std::string, std::less<>> kFloat = {"FLOAT", "REAL"};
        static const std::set<std::string, std::less<>> kText = {"VARCHAR", "NVARCHAR", "CHAR",
                                                                 "NCHAR",   "TEXT",     "NTEXT"};
        static const std::set<std::string, std::less<>> kDate = {"DATETIME", "SMALLDATETIME",
                                                                 "DATE", "DATETIME2"};
        // The arguments: number literals between parentheses.
        std::vector<size_t> arguments;
        *next = at + 1;
        if (*next < end && IsSymbol(tokens_[*next], "(")) {
            const size_t close = MatchingParen(*next, end);
            for (size_t k = *next + 1; k < close; ++k) {
                if (tokens_[k].type == TokenType::Number) arguments.push_back(k);
            }
            *next = close + 1;
        }
        if (type.type != TokenType::Word) Refuse("the column type " + Describe(type));
        if (kInteger.contains(word)) {
            writer->Text(" INTEGER");
            return DeclaredType(word);
        }
        if (kDecimal.contains(word)) {
            auto number = [&](size_t k) {
                return std::atoi(
                    literals_.at(static_cast<size_t>(tokens_[k].literal)).text.c_str());
            };
            const int precision = arguments.empty() ? -1 : number(arguments[0]);
            const int scale = arguments.size() < 2 ? -1 : number(arguments[1]);
            const SqlType decimal = DeclaredType(word, precision, scale);
            if (!decimal.Is(SqlType::Kind::Decimal)) Refuse("the column type " + Describe(type));
            // Exact digits as text; precision and scale stay literals of the text, so that a
            // translation shared by shape declares what each text says.
            writer->Text(" DECIMAL_TEXT(");
            if (arguments.empty() || word == "MONEY" || word == "SMALLMONEY") {
                writer->Text(std::to_string(decimal.precision) + "," +
                             std::to_string(decimal.scale));
            } else {
                writer->Token(tokens_[arguments[0]], false);
                writer->Text(",");
                if (arguments.size() < 2) {
                    writer->Text("0");
                } else {
                    writer->Token(tokens_[arguments[1]], false);
                }
            }
            writer->Text(")");
            return decimal;
        }
        if (kFloat.contains(word)) {
            writer->Text(" REAL");
            return SqlType::Float();
        }
        if (kText.contains(word)) {
            writer->Text(" TEXT COLLATE NOCASE");
            return SqlType::Text();
        }
        if (kDate.contains(word)) {
            writer->Text(" TEXT");
            return SqlType::Text();
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

        TableDef definition{tokens_[table].text, {}};
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
            definition.columns.push_back(
                ColumnDef{tokens_[c].text, ColumnType(&writer, c + 1, column.end, &c)});
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
        // Later statements of the batch see the new table.
        if (!catalog_->Find(definition.name)) catalog_->Add(std::move(definition));
        return writer.Finish("CREATE", false);
    }

    const std::vector<Token>& tokens_;
    const std::vector<Literal>& literals_;
    Catalog* catalog_;
    TypedWriter typed_;
};

std::string QuoteText(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

// Where a literal stood in a shape key: its kind, and for numbers the type it translates to.
// Starts and ends with '?', which the text outside literals, comments and names never holds.
size_t WriteLiteralMark(const Literal& literal, char* mark) {
    size_t length = 0;
    mark[length++] = '?';
    if (literal.kind == Literal::Kind::Text) {
        mark[length++] = 's';
    } else if (literal.kind == Literal::Kind::Float) {
        mark[length++] = 'f';
    } else if (literal.kind != Literal::Kind::Integer || literal.text.size() > 9) {
        // Up to 9 digits always an INT: the mark says nothing more.
        const SqlType sqlType = LiteralType(literal.text);
        length = static_cast<size_t>(std::to_chars(mark + length, mark + 8, sqlType.precision).ptr -
                                     mark);
        mark[length++] = '.';
        length =
            static_cast<size_t>(std::to_chars(mark + length, mark + 12, sqlType.scale).ptr - mark);
    }
    mark[length++] = '?';
    return length;
}

// The text as written with each literal replaced by a mark of its type: every line's statements
// are shaped, so the key is copied a stretch at a time. The text before a mark decides that it
// is one (outside comments and names), so equal keys mean the same tokens.
struct KeyWriter {
    static constexpr bool LiteralsOnly() { return true; }
    std::string_view text;
    size_t copied = 0;
    Shape shape;
    std::vector<RecentShapes::Mark>* marks = nullptr;
    void Add(TokenType, std::string_view, bool, int literal, std::string_view source) {
        if (literal < 0) return;
        std::string& key = shape.key;
        const size_t start = static_cast<size_t>(source.data() - text.data());
        key.append(text.substr(copied, start - copied));
        if (marks) marks->push_back({start, key.size()});
        copied = start + source.size();
        // Literals of other types translate otherwise: "16.0" is DECIMAL(3,1), "16" INT.
        char mark[16];
        key.append(mark, WriteLiteralMark(shape.literals[static_cast<size_t>(literal)], mark));
    }
    Shape Finish() {
        shape.key.append(text.substr(copied));
        return std::move(shape);
    }
};

// How far a scan may look past the end of a token: a number's exponent, its sign and a digit.
constexpr size_t kLookAhead = 4;

size_t CommonPrefix(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= n; i += 8) {
            uint64_t x = 0;
            uint64_t y = 0;
            std::memcpy(&x, a.data() + i, 8);
            std::memcpy(&y, b.data() + i, 8);
            if (x != y) return i + static_cast<size_t>(std::countr_zero(x ^ y) / 8);
        }
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

}  // namespace

Shape ShapeOf(std::string_view tsql) {
    KeyWriter writer;
    writer.text = tsql;
    writer.shape.key.reserve(tsql.size() + 16);
    writer.shape.literals.reserve(tsql.size() / 16);  // the tool's statements: about one in 25
    ScanTokens(tsql, &writer.shape.literals, writer);
    return writer.Finish();
}

std::shared_ptr<const Shape> RecentShapes::Of(std::string_view tsql) {
    Entry* like = nullptr;
    size_t common = 0;
    for (Entry& entry : entries_) {
        const size_t length = CommonPrefix(entry.text, tsql);
        if (length > common) {
            common = length;
            like = &entry;
        }
    }
    if (like && common == tsql.size() && common == like->text.size()) return like->shape;
    // The last literal before which both texts are the same, with the scan's look-ahead: from
    // its start on, the scan of the new text goes its own way.
    size_t resume = 0;
    if (like) {
        const auto past = std::upper_bound(
            like->marks.begin(), like->marks.end(), common,
            [](size_t limit, const Mark& mark) { return mark.start + kLookAhead > limit; });
        resume = static_cast<size_t>(past - like->marks.begin());
    }
    Entry entry;
    KeyWriter writer;
    writer.text = tsql;
    writer.marks = &entry.marks;
    writer.shape.key.reserve(tsql.size() + 16);
    const size_t expected = like ? like->marks.size() + 4 : tsql.size() / 16;
    writer.shape.literals.reserve(expected);
    entry.marks.reserve(expected);
    size_t from = 0;
    if (resume > 0) {
        const Mark& at = like->marks[resume - 1];
        const auto kept = static_cast<std::ptrdiff_t>(resume - 1);
        writer.shape.key.assign(like->shape->key, 0, at.keyLength);
        writer.shape.literals.assign(like->shape->literals.begin(),
                                     like->shape->literals.begin() + kept);
        entry.marks.assign(like->marks.begin(), like->marks.begin() + kept);
        writer.copied = from = at.start;
    }
    ScanTokens(tsql, &writer.shape.literals, writer, from);
    entry.text.assign(tsql);
    entry.shape = std::make_shared<const Shape>(writer.Finish());
    std::shared_ptr<const Shape> shape = entry.shape;
    // A text like a recent one takes its place: one entry for each statement of a line.
    if (resume > 0) {
        *like = std::move(entry);
    } else if (entries_.size() < kEntries) {
        entries_.push_back(std::move(entry));
    } else {
        entries_[next_] = std::move(entry);
        next_ = (next_ + 1) % kEntries;
    }
    return shape;
}

TranslatedBatch Translate(std::string_view tsql, const Catalog* catalog) {
    std::vector<Literal> literals;
    const std::vector<Token> tokens = Tokenize(tsql, &literals);
    const std::vector<Range> ranges = SplitStatements(tokens);
    Catalog tables = catalog ? *catalog : Catalog{};
    const StatementTranslator translator(tokens, literals, &tables);
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
        // Decimal literals as text, as the engine binds them: SQLite would read them as floats.
        const bool quoted =
            literal.kind == Literal::Kind::Text || literal.kind == Literal::Kind::Real;
        result += quoted ? QuoteText(literal.text) : literal.text;
        i = end;
    }
    return result;
}

std::vector<std::string> TranslateToText(std::string_view tsql, const Catalog* catalog) {
    const Shape shape = ShapeOf(tsql);
    std::vector<std::string> texts;
    for (const TranslatedStatement& statement : Translate(tsql, catalog).statements) {
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
    auto batch = std::make_shared<const TranslatedBatch>(Translate(tsql, &catalog_));
    if (byShape_.size() >= capacity_) byShape_.clear();
    byShape_.emplace(shape.key, batch);
    return batch;
}

void TranslationCache::SetCatalog(Catalog catalog) {
    catalog_ = std::move(catalog);
    byShape_.clear();
}

}  // namespace q9::tsql
