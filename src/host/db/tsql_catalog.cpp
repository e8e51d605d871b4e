#include "host/db/tsql_catalog.h"

#include "host/db/tsql_tokens.h"

namespace q9::tsql {

const ColumnDef* TableDef::Find(std::string_view column) const {
    const std::string wanted = Upper(column);
    for (const ColumnDef& c : columns) {
        if (Upper(c.name) == wanted) return &c;
    }
    return nullptr;
}

void Catalog::Add(TableDef table) {
    std::string key = Upper(table.name);
    tables_.insert_or_assign(std::move(key), std::move(table));
}

const TableDef* Catalog::Find(std::string_view table) const {
    auto found = tables_.find(Upper(table));
    return found == tables_.end() ? nullptr : &found->second;
}

}  // namespace q9::tsql
