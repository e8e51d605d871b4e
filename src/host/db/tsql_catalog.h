#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/sql_type.h"

namespace q9::tsql {

struct ColumnDef {
    std::string name;
    SqlType type;
};

struct TableDef {
    std::string name;
    std::vector<ColumnDef> columns;  // in declaration order

    const ColumnDef* Find(std::string_view column) const;
};

// The tables of an account with their column types, names compared without case as the host
// server compares them.
class Catalog {
  public:
    void Add(TableDef table);
    const TableDef* Find(std::string_view table) const;
    bool empty() const { return tables_.empty(); }

  private:
    std::map<std::string, TableDef, std::less<>> tables_;  // by upper-case name
};

}  // namespace q9::tsql
