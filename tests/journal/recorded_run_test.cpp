#include "journal/recorded_run.h"

#include <gtest/gtest.h>

#include "../host/db/embedded_account_fixture.h"
#include "account_dump.h"
#include "convert/row_loop.h"
#include "jobs/startup.h"
#include "journal/dry_run.h"
#include "journal/undo.h"
#include "masterdata/master_data.h"
#include "support/change_rows.h"
#include "support/core_doubles.h"

namespace q9 {
namespace {

using testing::DumpAccount;
using testing::ToolTables;

// Workbook rows as the reader gives them: F1 … F14, the title row first.
RecordsetPtr WorkbookRows(const std::vector<std::tuple<std::string, std::string, int, int>>& rows) {
    std::vector<std::string> names;
    for (int i = 1; i <= 14; ++i) names.push_back("F" + std::to_string(i));
    std::vector<Recordset::Row> cells{Recordset::Row(14, Value("title"))};
    for (const auto& [bill, rate, id, entry] : rows) {
        Recordset::Row row(14, Value());
        row[0] = Value(bill);
        row[7] = Value(rate);
        row[12] = Value(id);
        row[13] = Value(entry);
        cells.push_back(std::move(row));
    }
    return std::make_shared<Recordset>(std::move(names), std::move(cells));
}

class RecordedRunTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {
  protected:
    RecordedRunTest()
        : account_(DemoAccountOptions{.discountIncludeTaxOn = std::get<1>(GetParam())}) {
        account_.Execute(BackupTablesBatch());
        account_.Execute(JournalTablesBatch());
        harness_.engine = std::shared_ptr<DatabaseEngine>(&account_.engine(), [](auto*) {});
        WindowState& state = harness_.state;
        state.chk17 = state.chk11 = CheckValue::Checked;
        state.chkItem = state.chkCust = state.chkSupply = CheckValue::Checked;
        state.adjustmentRule = std::get<0>(GetParam()) ? AdjustmentRule::KeepTaxInclusivePrice
                                                       : AdjustmentRule::KeepTaxExclusivePrice;
        state.discountIncludeTaxOn = std::get<1>(GetParam());
    }

    // Master data and two workbooks through the row loop, recorded; the changes it made.
    std::vector<ChangeRow> OneClick(CoreContext& context, std::vector<std::string>* grid) {
        RecordedRun run(context);
        AdjustMasterData(context);
        testing::RecordingDisplay display;
        ConvertRows(context, display, ConversionKindOf(DocumentKind::PurchaseOrder),
                    WorkbookRows({{"CG001", "17", 1001, 1},
                                  {"CG001", "11", 1001, 2},
                                  {"CG002", "17", 1002, 1},
                                  {"CG002", "17", 1002, 3},
                                  {"CG002", "16", 1002, 2},
                                  {"CG006", "11", 1006, 5}}));
        ConvertRows(context, display, ConversionKindOf(DocumentKind::PayableContract),
                    WorkbookRows({{"HT001", "17", 3001, 1},
                                  {"HT001", "11", 3001, 2},
                                  {"HT001", "17", 3001, 3},
                                  {"HT002", "17", 3002, 1}}));
        run.Finish();
        *grid = display.rows;
        return testing::RowsOf(*run.recorder().changes());
    }

    testing::EmbeddedAccount account_;
    testing::CoreHarness<DatabaseEngine> harness_;
};

TEST_P(RecordedRunTest, DryRunListsExactlyWhatTheRunWritesAndUndoTakesItBack) {
    const std::string before = DumpAccount(account_.engine());
    const std::string hostBefore = DumpAccount(account_.engine(), ToolTables());
    std::vector<ChangeRow> dry;
    std::vector<std::string> dryGrid;
    RunWithoutWriting(harness_.context,
                      [&](CoreContext& inside) { dry = OneClick(inside, &dryGrid); });
    EXPECT_EQ(DumpAccount(account_.engine()), before);  // every table, the tool's own too

    std::vector<std::string> grid;
    const std::vector<ChangeRow> real = OneClick(harness_.context, &grid);
    EXPECT_EQ(grid, dryGrid);
    ASSERT_EQ(real.size(), dry.size());
    ASSERT_FALSE(real.empty());
    for (size_t i = 0; i < real.size(); ++i) {
        EXPECT_EQ(real[i].kind, dry[i].kind) << i;
        EXPECT_EQ(real[i].billNo, dry[i].billNo) << i;
        EXPECT_EQ(real[i].value, dry[i].value) << i;
    }
    EXPECT_NE(DumpAccount(account_.engine(), ToolTables()), hostBefore);

    const std::vector<RunRecord> runs = ListRuns(harness_.gateway);
    ASSERT_EQ(runs.size(), 1u);  // the dry run left no run behind
    EXPECT_EQ(runs[0].state, RunState::Done);
    EXPECT_EQ(runs[0].rule, std::get<0>(GetParam()) ? "tax-inclusive" : "tax-exclusive");
    EXPECT_EQ(runs[0].refused, static_cast<int32_t>(grid.size()));
    EXPECT_EQ(account_.Count(JournalRowsQuery(runs[0].id)), static_cast<int>(real.size()));

    const UndoOutcome undone = UndoRun(harness_.gateway, runs[0].id, RunClockNow());
    EXPECT_EQ(undone.result, UndoResult::Done) << undone.error.description;
    EXPECT_EQ(DumpAccount(account_.engine(), ToolTables()), [&] {
        testing::EmbeddedAccount fresh(
            DemoAccountOptions{.discountIncludeTaxOn = std::get<1>(GetParam())}, "fresh");
        return DumpAccount(fresh.engine(), ToolTables());
    }());
}

INSTANTIATE_TEST_SUITE_P(RulesAndDiscounts, RecordedRunTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

}  // namespace
}  // namespace q9
