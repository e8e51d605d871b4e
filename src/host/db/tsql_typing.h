#pragma once

// Expressions of the tool's T-SQL typed as the host server types them, written for SQLite:
// decimal arithmetic, comparisons, ROUND and aggregates become the exact decimal functions
// (decimal_functions.h) at the result type of each operation; everything else stays as written.

#include <functional>
#include <string>
#include <vector>

#include "host/db/sql_type.h"
#include "host/db/tsql_catalog.h"
#include "host/db/tsql_tokens.h"

namespace q9::tsql {

// The names an expression can see: its query's tables (by alias, else by name), then those of
// the queries around it. A table the catalog does not know has no definition.
struct Scope {
    struct Entry {
        std::string name;
        const TableDef* table = nullptr;
    };
    std::vector<Entry> entries;
    const Scope* outer = nullptr;
};

class TypedWriter {
  public:
    TypedWriter(const std::vector<Token>& tokens, const std::vector<Literal>& literals,
                const Catalog& catalog)
        : tokens_(tokens), literals_(literals), catalog_(catalog) {}

    // Appends the expression at `range`; its type is returned. With a target, the value is
    // converted to that column type as the host server stores it.
    SqlType Expression(std::string* out, Range range, const Scope& scope, bool leadingSpace,
                       const SqlType* target = nullptr) const;

    // Appends a query (SELECT ..., UNION of several); the types of its result columns go to
    // `columns` (empty when a '*' leaves them to the columns' declarations), and its select
    // items are converted to `targets` when given (INSERT ... SELECT).
    void Query(std::string* out, Range range, const Scope* outer, bool leadingSpace,
               std::vector<SqlType>* columns = nullptr,
               const std::vector<SqlType>* targets = nullptr) const;

    const Catalog& catalog() const { return catalog_; }

  private:
    struct Node;
    class Parser;

    void Emit(std::string* out, const Node& node, bool leadingSpace) const;
    // function(argument,...suffix)
    void Call(std::string* out, const std::string& function,
              const std::vector<std::reference_wrapper<const Node>>& arguments,
              const std::string& suffix) const;
    void Space(std::string* out, const Node& node, bool leadingSpace) const;
    void Select(std::string* out, Range range, const Scope* outer, bool leadingSpace,
                std::vector<SqlType>* columns, const std::vector<SqlType>* targets) const;

    const std::vector<Token>& tokens_;
    const std::vector<Literal>& literals_;
    const Catalog& catalog_;
};

}  // namespace q9::tsql
