#include "host/db/sqlite_catalog.h"

#include <string>
#include <vector>

#include "host/db/sqlite_handles.h"

namespace q9::sqlite {

namespace {

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? text : "";
}

}  // namespace

tsql::Catalog ReadCatalog(sqlite3* db) {
    std::vector<std::string> names;
    {
        StatementPtr list = Prepare(
            db,
            "SELECT name FROM main.sqlite_master WHERE type IN ('table','view') AND name NOT "
            "LIKE 'sqlite_%'");
        while (sqlite3_step(list.get()) == SQLITE_ROW) names.push_back(ColumnText(list.get(), 0));
    }
    tsql::Catalog catalog;
    StatementPtr columns = Prepare(db, "SELECT name, type FROM pragma_table_info(?)");
    for (const std::string& name : names) {
        tsql::TableDef table{name, {}};
        sqlite3_bind_text(columns.get(), 1, name.c_str(), static_cast<int>(name.size()),
                          SQLITE_TRANSIENT);
        while (sqlite3_step(columns.get()) == SQLITE_ROW) {
            table.columns.push_back(
                tsql::ColumnDef{ColumnText(columns.get(), 0),
                                tsql::StoredColumnType(ColumnText(columns.get(), 1))});
        }
        sqlite3_reset(columns.get());
        catalog.Add(std::move(table));
    }
    return catalog;
}

}  // namespace q9::sqlite
