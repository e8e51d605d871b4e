#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/db/database_engine.h"
#include "journal/sql_literal.h"

namespace q9::testing {

// Every table's rows in scan order, each value as its literal; `skipped` tables left out.
inline std::string DumpAccount(DatabaseEngine& engine, const std::set<std::string>& skipped = {}) {
    Error error;
    RecordsetPtr tables =
        engine.Query("SELECT name FROM sysobjects WHERE xtype='u' ORDER BY name", &error);
    EXPECT_TRUE(tables) << error.description;
    std::string dump;
    for (; tables && !tables->Eof(); tables->MoveNext()) {
        const std::string table = tables->FieldAt(0).AsText();
        if (skipped.contains(table)) continue;
        RecordsetPtr rows = engine.Query("SELECT * FROM " + table, &error);
        EXPECT_TRUE(rows) << table << ": " << error.description;
        dump += table + "\n";
        for (const Recordset::Row& row : rows ? rows->Rows() : std::vector<Recordset::Row>{}) {
            for (const Value& value : row) dump += SqlLiteral(value) + ",";
            dump += "\n";
        }
    }
    return dump;
}

// The tool's own tables, which a run and its undo leave changed.
inline const std::set<std::string>& ToolTables() {
    static const std::set<std::string> tables = {"POOrderEntryTaxRate", "SEOrderEntryTaxRate",
                                                 "t_rpContractEntryRate", "Q9TaxRateRun",
                                                 "Q9TaxRateJournal"};
    return tables;
}

}  // namespace q9::testing
