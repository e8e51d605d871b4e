// The master-data batch on the embedded engine: what it changes, and that a failing batch
// leaves nothing behind.

#include <gtest/gtest.h>

#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"
#include "host/db/sqlite_handles.h"
#include "masterdata/master_data.h"
#include "support/core_doubles.h"
#include "support/temp_folder.h"

namespace q9 {
namespace {

class MasterDataOnDatabase : public ::testing::Test {
  protected:
    void SetUp() override {
        // An account whose master-data tables are small ones of the test's own; t_Supplier
        // goes once the account is open, so that the batch's third line fails.
        const std::string path = folder_.File("account.db");
        CreateDemoAccount(path, {});
        sqlite::ConnectionPtr db = sqlite::OpenConnection(path, false);
        sqlite::ExecuteScript(
            db.get(),
            "DROP TABLE t_ICItemMaterial; DROP TABLE t_Organization; DROP TABLE t_ItemPropDesc;"
            " CREATE TABLE t_ICItemMaterial(FItemID INTEGER PRIMARY KEY, FTaxRate REAL);"
            " CREATE TABLE t_Organization(FItemID INTEGER PRIMARY KEY, FValueAddRate REAL);"
            " CREATE TABLE t_ItemPropDesc(FItemClassID INTEGER, FSQLColumnName TEXT,"
            " FDefaultValue TEXT);");
        h_.engine = OpenDatabaseEngine("sqlite:" + path);
        sqlite::ExecuteScript(db.get(), "DROP TABLE t_Supplier");
        Run("INSERT INTO t_ICItemMaterial VALUES (1, 17), (2, 11), (3, 16), (4, 13)");
        Run("INSERT INTO t_Organization VALUES (1, 17), (2, 11), (3, 10)");
        Run("INSERT INTO t_ItemPropDesc VALUES (4, 'FTaxRate', '17'), (1, 'FValueAddRate', "
            "'17'), (8, 'FValueAddRate', '17')");
    }

    void Run(const std::string& sql) { ASSERT_TRUE(h_.engine->Execute(sql).ok()) << sql; }

    std::string Column(const std::string& sql) {
        Error error;
        RecordsetPtr rows = h_.engine->Query(sql, &error);
        EXPECT_TRUE(rows) << error.description;
        std::string values;
        for (const auto& row : rows ? rows->Rows() : std::vector<Recordset::Row>{}) {
            values += (values.empty() ? "" : ",") + TextOrEmpty(row[0]);
        }
        return values;
    }

    void Adjust(WindowState boxes) {
        h_.state = boxes;
        AdjustMasterData(h_.context);
    }

    testing::TempFolder folder_{"q9md"};
    testing::CoreHarness<> h_;
};

WindowState Ticked(bool to16, bool to10, bool items, bool customers, bool suppliers) {
    auto box = [](bool on) { return on ? CheckValue::Checked : CheckValue::Unchecked; };
    WindowState state;
    state.chk17 = box(to16);
    state.chk11 = box(to10);
    state.chkItem = box(items);
    state.chkCust = box(customers);
    state.chkSupply = box(suppliers);
    return state;
}

TEST_F(MasterDataOnDatabase, SeventeenForMaterialsOnlyTouchesMaterialsAtSeventeenAndTheirDefault) {
    Adjust(Ticked(true, false, true, false, false));
    EXPECT_EQ(Column("SELECT FTaxRate FROM t_ICItemMaterial ORDER BY FItemID"), "16,11,16,13");
    EXPECT_EQ(Column("SELECT FValueAddRate FROM t_Organization ORDER BY FItemID"), "17,11,10");
    EXPECT_EQ(Column("SELECT FDefaultValue FROM t_ItemPropDesc ORDER BY FItemClassID"), "17,16,17");
    EXPECT_TRUE(h_.events.empty());
}

TEST_F(MasterDataOnDatabase, ElevenForCustomersLeavesTheDefaultAlone) {
    Adjust(Ticked(false, true, false, true, false));
    EXPECT_EQ(Column("SELECT FValueAddRate FROM t_Organization ORDER BY FItemID"), "17,10,10");
    EXPECT_EQ(Column("SELECT FDefaultValue FROM t_ItemPropDesc ORDER BY FItemClassID"), "17,17,17");
}

TEST_F(MasterDataOnDatabase, FailingBatchLeavesNothingBehindAndSaysSo) {
    // t_Supplier is missing: the third line fails after two have run.
    Adjust(Ticked(true, true, true, true, true));
    EXPECT_EQ(Column("SELECT FTaxRate FROM t_ICItemMaterial ORDER BY FItemID"), "17,11,16,13");
    EXPECT_EQ(Column("SELECT FValueAddRate FROM t_Organization ORDER BY FItemID"), "17,11,10");
    EXPECT_EQ(Column("SELECT FDefaultValue FROM t_ItemPropDesc ORDER BY FItemClassID"), "17,17,17");
    ASSERT_EQ(h_.events.size(), 1u);
    EXPECT_TRUE(h_.events[0].starts_with("notice 基础资料税率调整失败：")) << h_.events[0];
    EXPECT_NE(h_.events[0].find("t_Supplier"), std::string::npos) << h_.events[0];
}

}  // namespace
}  // namespace q9
