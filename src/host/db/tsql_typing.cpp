#include "host/db/tsql_typing.h"

#include <algorithm>
#include <functional>

namespace q9::tsql {

namespace {

// Thrown where an expression takes a form the typing does not know: it is then written as it
// stands, as before typing existed (the checks of the translation have passed it already).
struct NotParsed {};

bool IsComparison(const Token& token) {
    if (token.type != TokenType::Symbol) return false;
    const std::string& t = token.text;
    return t == "=" || t == "<>" || t == "!=" || t == "<" || t == ">" || t == "<=" || t == ">=";
}

const char* FunctionOf(Arithmetic operation) {
    switch (operation) {
        case Arithmetic::Add:
            return "q9_add";
        case Arithmetic::Subtract:
            return "q9_sub";
        case Arithmetic::Multiply:
            return "q9_mul";
        case Arithmetic::Divide:
            return "q9_div";
        case Arithmetic::Modulo:
            return "q9_mod";
    }
    return "";
}

std::string TypeArguments(const SqlType& type) {
    return "," + std::to_string(type.precision) + "," + std::to_string(type.scale);
}

bool IsDecimal(const SqlType& type) {
    return type.Is(SqlType::Kind::Decimal);
}

// The type of a native operation on two operands that are not both exact numbers.
SqlType NativeArithmeticType(const SqlType& a, const SqlType& b) {
    if (a.Is(SqlType::Kind::Null)) return b;
    if (b.Is(SqlType::Kind::Null)) return a;
    if (a.Is(SqlType::Kind::Integer) && b.Is(SqlType::Kind::Integer))
        return SqlType::Integer(std::max(a.precision, b.precision));
    const bool numeric = (a.IsExactNumber() || a.Is(SqlType::Kind::Float)) &&
                         (b.IsExactNumber() || b.Is(SqlType::Kind::Float));
    if (numeric && (a.Is(SqlType::Kind::Float) || b.Is(SqlType::Kind::Float)))
        return SqlType::Float();
    return SqlType::Unknown();
}

bool IsAliasable(const Token& token) {
    static const char* const kKeywords[] = {"END", "NULL", "DISTINCT", "ALL", "SELECT"};
    if (!IsName(token)) return false;
    for (const char* k : kKeywords) {
        if (IsWord(token, k)) return false;
    }
    return true;
}

bool EndsOperand(const Token& token) {
    return token.type == TokenType::Word || token.type == TokenType::QuotedName ||
           token.type == TokenType::Number || token.type == TokenType::String ||
           IsSymbol(token, ")");
}

}  // namespace

struct TypedWriter::Node {
    enum class Form { Native, Call, Compare, InList, Between, Average, Text };
    Form form = Form::Native;
    Range range;
    SqlType type;
    std::vector<Node> children;
    std::string function;  // Call: the function; suffix: what follows the children
    std::string suffix;
    size_t op = 0;  // Compare: the operator's token
    bool negated = false;
    bool dirty = false;  // written otherwise than its tokens, itself or a part
    std::string text;    // Text: the written form
};

class TypedWriter::Parser {
  public:
    Parser(const TypedWriter& writer, Range range, const Scope& scope)
        : w_(writer), t_(writer.tokens_), pos_(range.begin), end_(range.end), scope_(scope) {}

    Node Parse() {
        if (pos_ >= end_) throw NotParsed{};
        Node node = Or();
        if (pos_ != end_) throw NotParsed{};
        return node;
    }

  private:
    using Form = Node::Form;

    bool AtWord(std::string_view word) const { return pos_ < end_ && IsWord(t_[pos_], word); }
    bool AtSymbol(std::string_view symbol) const {
        return pos_ < end_ && IsSymbol(t_[pos_], symbol);
    }
    void Expect(bool ok) const {
        if (!ok) throw NotParsed{};
    }

    Node Make(Form form, size_t begin, SqlType type, std::vector<Node> children) const {
        Node node;
        node.form = form;
        node.range = Range{begin, pos_};
        node.type = type;
        node.dirty = form != Form::Native;
        for (const Node& child : children) node.dirty = node.dirty || child.dirty;
        node.children = std::move(children);
        return node;
    }

    Node Or() {
        const size_t begin = pos_;
        Node left = And();
        while (AtWord("OR")) {
            ++pos_;
            Node right = And();
            left = Make(Form::Native, begin, SqlType::Int(), {std::move(left), std::move(right)});
        }
        return left;
    }

    Node And() {
        const size_t begin = pos_;
        Node left = Not();
        while (AtWord("AND")) {
            ++pos_;
            Node right = Not();
            left = Make(Form::Native, begin, SqlType::Int(), {std::move(left), std::move(right)});
        }
        return left;
    }

    Node Not() {
        const size_t begin = pos_;
        if (AtWord("NOT")) {
            ++pos_;
            Node operand = Not();
            return Make(Form::Native, begin, SqlType::Int(), {std::move(operand)});
        }
        return Predicate();
    }

    static bool Comparable(const std::vector<Node>& operands) {
        bool decimal = false;
        for (const Node& n : operands) {
            if (n.type.Is(SqlType::Kind::Unknown) || n.type.Is(SqlType::Kind::Null)) return false;
            decimal = decimal || IsDecimal(n.type);
        }
        return decimal;
    }

    Node Predicate() {
        const size_t begin = pos_;
        if (AtWord("EXISTS")) {
            ++pos_;
            Expect(AtSymbol("("));
            Node query = Subquery();
            return Make(Form::Native, begin, SqlType::Int(), {std::move(query)});
        }
        Node left = Additive();
        if (pos_ >= end_) return left;
        if (IsComparison(t_[pos_])) {
            const size_t op = pos_++;
            Node right = Additive();
            std::vector<Node> operands{std::move(left), std::move(right)};
            const bool exact = Comparable(operands);
            Node node = Make(exact ? Form::Compare : Form::Native, begin, SqlType::Int(),
                             std::move(operands));
            node.op = op;
            return node;
        }
        if (AtWord("IS")) {
            ++pos_;
            if (AtWord("NOT")) ++pos_;
            Expect(AtWord("NULL"));
            ++pos_;
            return Make(Form::Native, begin, SqlType::Int(), {std::move(left)});
        }
        bool negated = false;
        if (AtWord("NOT") && pos_ + 1 < end_ &&
            (IsWord(t_[pos_ + 1], "IN") || IsWord(t_[pos_ + 1], "BETWEEN"))) {
            negated = true;
            ++pos_;
        }
        if (AtWord("IN")) {
            ++pos_;
            Expect(AtSymbol("("));
            if (pos_ + 1 < end_ && IsWord(t_[pos_ + 1], "SELECT")) {
                Node query = Subquery();
                return Make(Form::Native, begin, SqlType::Int(),
                            {std::move(left), std::move(query)});
            }
            ++pos_;
            std::vector<Node> operands;
            operands.push_back(std::move(left));
            do {
                if (AtSymbol(",")) ++pos_;
                operands.push_back(Or());
            } while (AtSymbol(","));
            Expect(AtSymbol(")"));
            ++pos_;
            const bool exact = Comparable(operands);
            Node node = Make(exact ? Form::InList : Form::Native, begin, SqlType::Int(),
                             std::move(operands));
            node.negated = negated;
            return node;
        }
        if (AtWord("BETWEEN")) {
            ++pos_;
            Node low = Additive();
            Expect(AtWord("AND"));
            ++pos_;
            Node high = Additive();
            std::vector<Node> operands{std::move(left), std::move(low), std::move(high)};
            const bool exact = Comparable(operands);
            Node node = Make(exact ? Form::Between : Form::Native, begin, SqlType::Int(),
                             std::move(operands));
            node.negated = negated;
            return node;
        }
        Expect(!negated);
        return left;
    }

    Node Arithmetic(size_t begin, tsql::Arithmetic operation, Node left, Node right) const {
        const SqlType result = ResultType(operation, left.type, right.type);
        if (IsDecimal(result)) {
            Node node = Make(Form::Call, begin, result, {std::move(left), std::move(right)});
            node.function = FunctionOf(operation);
            node.suffix = TypeArguments(result);
            return node;
        }
        const SqlType type = NativeArithmeticType(left.type, right.type);
        return Make(Form::Native, begin, type, {std::move(left), std::move(right)});
    }

    Node Additive() {
        const size_t begin = pos_;
        Node left = Multiplicative();
        while (AtSymbol("+") || AtSymbol("-")) {
            const auto operation = AtSymbol("+") ? Arithmetic::Add : Arithmetic::Subtract;
            ++pos_;
            Node right = Multiplicative();
            left = Arithmetic(begin, operation, std::move(left), std::move(right));
        }
        return left;
    }

    Node Multiplicative() {
        const size_t begin = pos_;
        Node left = Unary();
        while (AtSymbol("*") || AtSymbol("/") || AtSymbol("%")) {
            const auto operation = AtSymbol("*")   ? Arithmetic::Multiply
                                   : AtSymbol("/") ? Arithmetic::Divide
                                                   : Arithmetic::Modulo;
            ++pos_;
            Node right = Unary();
            left = Arithmetic(begin, operation, std::move(left), std::move(right));
        }
        return left;
    }

    Node Unary() {
        const size_t begin = pos_;
        if (AtSymbol("-") || AtSymbol("+")) {
            const bool minus = AtSymbol("-");
            ++pos_;
            Node operand = Unary();
            const SqlType type =
                operand.type.Is(SqlType::Kind::Text) ? SqlType::Unknown() : operand.type;
            if (minus && IsDecimal(type)) {
                Node node = Make(Form::Call, begin, type, {std::move(operand)});
                node.function = "q9_neg";
                return node;
            }
            return Make(Form::Native, begin, type, {std::move(operand)});
        }
        return Primary();
    }

    Node Leaf(size_t begin, SqlType type) const { return Make(Form::Native, begin, type, {}); }

    Node Primary() {
        Expect(pos_ < end_);
        const size_t begin = pos_;
        const Token& token = t_[pos_];
        if (token.type == TokenType::Number) {
            ++pos_;
            const Literal& literal = w_.literals_.at(static_cast<size_t>(token.literal));
            return Leaf(begin, literal.kind == Literal::Kind::Float ? SqlType::Float()
                                                                    : LiteralType(literal.text));
        }
        if (token.type == TokenType::String) {
            ++pos_;
            return Leaf(begin, SqlType::Text());
        }
        if (IsWord(token, "NULL")) {
            ++pos_;
            return Leaf(begin, SqlType::Null());
        }
        if (IsWord(token, "CASE")) return Case();
        if (IsSymbol(token, "(")) {
            if (pos_ + 1 < end_ && IsWord(t_[pos_ + 1], "SELECT")) return Subquery();
            ++pos_;
            Node inner = Or();
            Expect(AtSymbol(")"));
            ++pos_;
            const SqlType type = inner.type;
            return Make(Form::Native, begin, type, {std::move(inner)});
        }
        if (IsName(token)) {
            if (token.type == TokenType::Word && pos_ + 1 < end_ && IsSymbol(t_[pos_ + 1], "("))
                return Call();
            ++pos_;
            if (!AtSymbol(".")) return Leaf(begin, Resolve(nullptr, token));
            ++pos_;
            Expect(pos_ < end_ && IsName(t_[pos_]));
            ++pos_;
            return Leaf(begin, Resolve(&token, t_[pos_ - 1]));
        }
        throw NotParsed{};
    }

    SqlType Resolve(const Token* qualifier, const Token& column) const {
        for (const Scope* s = &scope_; s; s = s->outer) {
            bool unknownTable = false;
            for (const Scope::Entry& entry : s->entries) {
                if (qualifier) {
                    if (Upper(entry.name) != Upper(qualifier->text)) continue;
                    const ColumnDef* c = entry.table ? entry.table->Find(column.text) : nullptr;
                    return c ? c->type : SqlType::Unknown();
                }
                if (!entry.table) {
                    unknownTable = true;
                } else if (const ColumnDef* c = entry.table->Find(column.text)) {
                    return c->type;
                }
            }
            if (unknownTable) return SqlType::Unknown();
        }
        return SqlType::Unknown();
    }

    Node Call() {
        const size_t begin = pos_;
        const std::string name = Upper(t_[pos_].text);
        pos_ += 2;
        if (AtSymbol("*")) {
            ++pos_;
            Expect(AtSymbol(")"));
            ++pos_;
            return Leaf(begin, SqlType::Int());
        }
        Expect(!AtWord("DISTINCT") && !AtWord("ALL"));
        std::vector<Node> arguments;
        if (!AtSymbol(")")) {
            arguments.push_back(Or());
            while (AtSymbol(",")) {
                ++pos_;
                arguments.push_back(Or());
            }
        }
        Expect(AtSymbol(")"));
        ++pos_;
        if (name == "COUNT") return Make(Form::Native, begin, SqlType::Int(), std::move(arguments));
        Expect(!arguments.empty());
        const SqlType x = arguments[0].type;
        const SqlType passed = x.Is(SqlType::Kind::Text) ? SqlType::Unknown() : x;
        if (!IsDecimal(x)) return Make(Form::Native, begin, passed, std::move(arguments));
        if (name == "ROUND") {
            Expect(arguments.size() == 2 || arguments.size() == 3);
            const size_t count = arguments.size();
            Node node = Make(Form::Call, begin, x, std::move(arguments));
            node.function = "q9_round";
            node.suffix = (count == 2 ? ",0" : "") + TypeArguments(x);
            return node;
        }
        Expect(arguments.size() == 1);
        if (name == "AVG") {
            const SqlType type = SqlType::Decimal(38, std::max(x.scale, 6));
            return Make(Form::Average, begin, type, std::move(arguments));
        }
        const char* function = name == "SUM"   ? "q9_sum"
                               : name == "MIN" ? "q9_min"
                               : name == "MAX" ? "q9_max"
                               : name == "ABS" ? "q9_abs"
                                               : nullptr;
        if (!function) return Make(Form::Native, begin, SqlType::Unknown(), std::move(arguments));
        Node node = Make(Form::Call, begin, name == "SUM" ? SumType(x) : x, std::move(arguments));
        node.function = function;
        return node;
    }

    Node Case() {
        const size_t begin = pos_++;
        std::vector<Node> parts;
        SqlType result = SqlType::Null();
        bool unknown = false;
        auto branch = [&]() {
            Node value = Or();
            if (value.type.Is(SqlType::Kind::Unknown)) unknown = true;
            result = UnionType(result, value.type);
            parts.push_back(std::move(value));
        };
        if (!AtWord("WHEN")) parts.push_back(Or());
        while (AtWord("WHEN")) {
            ++pos_;
            parts.push_back(Or());
            Expect(AtWord("THEN"));
            ++pos_;
            branch();
        }
        if (AtWord("ELSE")) {
            ++pos_;
            branch();
        }
        Expect(AtWord("END"));
        ++pos_;
        if (unknown || result.Is(SqlType::Kind::Text)) result = SqlType::Unknown();
        return Make(Form::Native, begin, result, std::move(parts));
    }

    Node Subquery() {
        const size_t begin = pos_;
        const size_t close = MatchingParen(t_, pos_, end_);
        std::vector<SqlType> columns;
        std::string text;
        AppendToken(&text, t_[begin], false);
        w_.Query(&text, Range{begin + 1, close}, &scope_, true, &columns);
        AppendToken(&text, t_[close], true);
        pos_ = close + 1;
        Node node =
            Make(Form::Text, begin, columns.size() == 1 ? columns[0] : SqlType::Unknown(), {});
        node.text = std::move(text);
        return node;
    }

    const TypedWriter& w_;
    const std::vector<Token>& t_;
    size_t pos_;
    size_t end_;
    const Scope& scope_;
};

void TypedWriter::Space(std::string* out, const Node& node, bool leadingSpace) const {
    if (leadingSpace && tokens_[node.range.begin].spaceBefore && !out->empty() &&
        out->back() != ' ' && out->back() != '(') {
        *out += ' ';
    }
}

void TypedWriter::Call(std::string* out, const std::string& function,
                       const std::vector<std::reference_wrapper<const Node>>& arguments,
                       const std::string& suffix) const {
    *out += function + "(";
    for (size_t k = 0; k < arguments.size(); ++k) {
        if (k) *out += ",";
        Emit(out, arguments[k], false);
    }
    *out += suffix + ")";
}

void TypedWriter::Emit(std::string* out, const Node& node, bool leadingSpace) const {
    if (!node.dirty) {
        AppendTokens(out, tokens_, node.range, leadingSpace);
        return;
    }
    const auto& c = node.children;
    switch (node.form) {
        case Node::Form::Native: {
            size_t i = node.range.begin;
            for (const Node& child : c) {
                for (; i < child.range.begin; ++i) {
                    AppendToken(out, tokens_[i], leadingSpace || i != node.range.begin);
                }
                Emit(out, child, leadingSpace || child.range.begin != node.range.begin);
                i = child.range.end;
            }
            for (; i < node.range.end; ++i) {
                AppendToken(out, tokens_[i], leadingSpace || i != node.range.begin);
            }
            return;
        }
        case Node::Form::Call:
            Space(out, node, leadingSpace);
            Call(out, node.function, {c.begin(), c.end()}, node.suffix);
            return;
        case Node::Form::Compare:
            Space(out, node, leadingSpace);
            Call(out, "q9_cmp", {c[0], c[1]}, "");
            *out += tokens_[node.op].text + "0";
            return;
        case Node::Form::InList:
            Space(out, node, leadingSpace);
            Call(out, node.negated ? "NOT q9_in" : "q9_in", {c.begin(), c.end()}, "");
            return;
        case Node::Form::Between:
            Space(out, node, leadingSpace);
            *out += node.negated ? "NOT (" : "(";
            Call(out, "q9_cmp", {c[0], c[1]}, "");
            *out += ">=0 AND ";
            Call(out, "q9_cmp", {c[0], c[2]}, "");
            *out += "<=0)";
            return;
        case Node::Form::Average:
            // AVG of a decimal: the exact sum over the count at the average's scale.
            Space(out, node, leadingSpace);
            *out += "q9_div(q9_sum(";
            Emit(out, c[0], false);
            *out += "),COUNT(";
            Emit(out, c[0], false);
            *out += ")" + TypeArguments(node.type) + ")";
            return;
        case Node::Form::Text:
            Space(out, node, leadingSpace);
            *out += node.text;
            return;
    }
}

SqlType TypedWriter::Expression(std::string* out, Range range, const Scope& scope,
                                bool leadingSpace, const SqlType* target) const {
    Node node;
    try {
        node = Parser(*this, range, scope).Parse();
    } catch (const NotParsed&) {
        AppendTokens(out, tokens_, range, leadingSpace);
        return SqlType::Unknown();
    }
    const char* conversion = nullptr;
    std::string suffix;
    if (target && !node.type.Is(SqlType::Kind::Null)) {
        if (IsDecimal(*target)) {
            conversion = "q9_dec";
            suffix = TypeArguments(*target);
        } else if (target->Is(SqlType::Kind::Integer) && IsDecimal(node.type)) {
            conversion = "q9_int";
        } else if (target->Is(SqlType::Kind::Float) && IsDecimal(node.type)) {
            conversion = "q9_float";
        }
    }
    if (!conversion) {
        Emit(out, node, leadingSpace);
        return node.type;
    }
    Space(out, node, leadingSpace);
    *out += std::string(conversion) + "(";
    Emit(out, node, false);
    *out += suffix + ")";
    return *target;
}

void TypedWriter::Query(std::string* out, Range range, const Scope* outer, bool leadingSpace,
                        std::vector<SqlType>* columns, const std::vector<SqlType>* targets) const {
    // Branches of UNION, EXCEPT and INTERSECT; their columns meet in one type each.
    std::vector<Range> branches;
    int depth = 0;
    size_t start = range.begin;
    for (size_t i = range.begin; i < range.end; ++i) {
        if (IsSymbol(tokens_[i], "(")) ++depth;
        if (IsSymbol(tokens_[i], ")")) --depth;
        if (depth == 0 && (IsWord(tokens_[i], "UNION") || IsWord(tokens_[i], "EXCEPT") ||
                           IsWord(tokens_[i], "INTERSECT"))) {
            branches.push_back(Range{start, i});
            start = i + 1;
            if (start < range.end && IsWord(tokens_[start], "ALL")) ++start;
        }
    }
    branches.push_back(Range{start, range.end});
    size_t i = range.begin;
    bool starred = false;
    for (size_t b = 0; b < branches.size(); ++b) {
        for (; i < branches[b].begin; ++i) {
            AppendToken(out, tokens_[i], leadingSpace || i != range.begin);
        }
        std::vector<SqlType> branchColumns;
        Select(out, branches[b], outer, leadingSpace || i != range.begin, &branchColumns, targets);
        i = branches[b].end;
        if (!columns) continue;
        if (branchColumns.empty()) starred = true;
        if (b == 0) {
            *columns = branchColumns;
        } else if (columns->size() == branchColumns.size()) {
            for (size_t k = 0; k < columns->size(); ++k)
                (*columns)[k] = UnionType((*columns)[k], branchColumns[k]);
        }
    }
    if (columns && starred) columns->clear();
}

void TypedWriter::Select(std::string* out, Range range, const Scope* outer, bool leadingSpace,
                         std::vector<SqlType>* columns, const std::vector<SqlType>* targets) const {
    if (range.empty() || !IsWord(tokens_[range.begin], "SELECT")) {
        AppendTokens(out, tokens_, range, leadingSpace);
        return;
    }
    // The clauses, each up to the next.
    const Range afterSelect{range.begin + 1, range.end};
    const char* const kClauses[] = {"FROM", "WHERE", "GROUP", "HAVING", "ORDER"};
    size_t at[5];
    for (size_t k = 0; k < 5; ++k) at[k] = FindTopLevel(tokens_, afterSelect, kClauses[k]);
    auto clauseEnd = [&](size_t position) {
        size_t end = range.end;
        for (size_t p : at) {
            if (p > position && p < end) end = p;
        }
        return end;
    };

    struct Slot {
        enum class Kind { Item, Expression, Order, Derived };
        Kind kind;
        Range range;
        size_t item = 0;
    };
    std::vector<Slot> slots;
    Scope scope;
    scope.outer = outer;

    size_t listBegin = afterSelect.begin;
    if (listBegin < range.end &&
        (IsWord(tokens_[listBegin], "DISTINCT") || IsWord(tokens_[listBegin], "ALL")))
        ++listBegin;
    const Range list{listBegin, clauseEnd(range.begin)};
    size_t items = 0;
    bool starred = false;
    for (const Range& item : SplitTopLevel(tokens_, list, ",")) {
        if (item.empty()) return AppendTokens(out, tokens_, range, leadingSpace);
        const size_t last = item.end - 1;
        if (IsSymbol(tokens_[last], "*")) {
            starred = true;
            ++items;
            continue;
        }
        Range expression = item;
        if (item.end - item.begin >= 2 && IsAliasable(tokens_[last])) {
            if (IsWord(tokens_[last - 1], "AS")) {
                expression.end = last - 1;
            } else if (EndsOperand(tokens_[last - 1]) && !IsSymbol(tokens_[last - 1], ".")) {
                expression.end = last;
            }
        }
        slots.push_back(Slot{Slot::Kind::Item, expression, items++});
    }

    const size_t from = at[0];
    if (from < range.end) {
        const size_t end = clauseEnd(from);
        size_t i = from + 1;
        auto tableReference = [&]() {
            if (i >= end) throw NotParsed{};
            Scope::Entry entry;
            if (IsSymbol(tokens_[i], "(")) {
                const size_t close = MatchingParen(tokens_, i, end);
                slots.push_back(Slot{Slot::Kind::Derived, Range{i + 1, close}, 0});
                i = close + 1;
            } else if (IsName(tokens_[i])) {
                entry.name = tokens_[i].text;
                entry.table = catalog_.Find(tokens_[i].text);
                ++i;
            } else {
                throw NotParsed{};
            }
            if (i < end && IsWord(tokens_[i], "AS")) ++i;
            if (i < end && IsName(tokens_[i]) && !IsWord(tokens_[i], "INNER") &&
                !IsWord(tokens_[i], "LEFT") && !IsWord(tokens_[i], "JOIN") &&
                !IsWord(tokens_[i], "ON") && !IsWord(tokens_[i], "OUTER")) {
                entry.name = tokens_[i++].text;
            }
            scope.entries.push_back(entry);
        };
        try {
            tableReference();
            while (i < end) {
                if (IsSymbol(tokens_[i], ",")) {
                    ++i;
                    tableReference();
                    continue;
                }
                if (IsWord(tokens_[i], "INNER")) {
                    ++i;
                } else if (IsWord(tokens_[i], "LEFT")) {
                    ++i;
                    if (i < end && IsWord(tokens_[i], "OUTER")) ++i;
                }
                if (i >= end || !IsWord(tokens_[i], "JOIN")) throw NotParsed{};
                ++i;
                tableReference();
                if (i >= end || !IsWord(tokens_[i], "ON")) throw NotParsed{};
                const size_t on = ++i;
                int depth = 0;
                for (; i < end; ++i) {
                    if (IsSymbol(tokens_[i], "(")) ++depth;
                    if (IsSymbol(tokens_[i], ")")) --depth;
                    if (depth == 0 && (IsWord(tokens_[i], "INNER") || IsWord(tokens_[i], "LEFT") ||
                                       IsWord(tokens_[i], "JOIN") || IsSymbol(tokens_[i], ",")))
                        break;
                }
                slots.push_back(Slot{Slot::Kind::Expression, Range{on, i}, 0});
            }
        } catch (const NotParsed&) {
            if (columns) columns->clear();
            return AppendTokens(out, tokens_, range, leadingSpace);
        }
    }
    if (at[1] < range.end)
        slots.push_back(Slot{Slot::Kind::Expression, {at[1] + 1, clauseEnd(at[1])}, 0});
    for (size_t k : {size_t{2}, size_t{4}}) {
        const size_t keyword = at[k];
        if (keyword + 1 >= range.end || !IsWord(tokens_[keyword + 1], "BY")) continue;
        for (Range part : SplitTopLevel(tokens_, Range{keyword + 2, clauseEnd(keyword)}, ",")) {
            if (k == 4 && part.end > part.begin &&
                (IsWord(tokens_[part.end - 1], "ASC") || IsWord(tokens_[part.end - 1], "DESC")))
                --part.end;
            slots.push_back(Slot{k == 4 ? Slot::Kind::Order : Slot::Kind::Expression, part, 0});
        }
    }
    if (at[3] < range.end)
        slots.push_back(Slot{Slot::Kind::Expression, {at[3] + 1, clauseEnd(at[3])}, 0});
    std::sort(slots.begin(), slots.end(),
              [](const Slot& a, const Slot& b) { return a.range.begin < b.range.begin; });

    std::vector<SqlType> types(items, SqlType::Unknown());
    size_t i = range.begin;
    for (const Slot& slot : slots) {
        if (slot.range.empty()) continue;
        for (; i < slot.range.begin; ++i) {
            AppendToken(out, tokens_[i], leadingSpace || i != range.begin);
        }
        const bool space = leadingSpace || slot.range.begin != range.begin;
        switch (slot.kind) {
            case Slot::Kind::Item: {
                const SqlType* target =
                    targets && slot.item < targets->size() ? &(*targets)[slot.item] : nullptr;
                types[slot.item] = Expression(out, slot.range, scope, space, target);
                break;
            }
            case Slot::Kind::Expression:
                Expression(out, slot.range, scope, space);
                break;
            case Slot::Kind::Order: {
                // Decimal text sorts as text: order by the value instead.
                std::string written;
                const SqlType type = Expression(&written, slot.range, scope, false);
                if (space && tokens_[slot.range.begin].spaceBefore && !out->empty() &&
                    out->back() != ' ' && out->back() != '(')
                    *out += ' ';
                *out += IsDecimal(type) ? "q9_float(" + written + ")" : written;
                break;
            }
            case Slot::Kind::Derived:
                Query(out, slot.range, outer, space);
                break;
        }
        i = slot.range.end;
    }
    for (; i < range.end; ++i) AppendToken(out, tokens_[i], leadingSpace || i != range.begin);
    if (columns) {
        if (starred) {
            columns->clear();
        } else {
            *columns = std::move(types);
        }
    }
}

}  // namespace q9::tsql
