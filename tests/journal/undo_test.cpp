#include "journal/undo.h"

#include <gtest/gtest.h>

#include <set>

#include "../host/db/embedded_account_fixture.h"
#include "account_dump.h"
#include "convert/row_loop.h"
#include "jobs/startup.h"
#include "journal/run_recorder.h"
#include "masterdata/master_data.h"
#include "support/change_rows.h"

namespace q9 {
namespace {

using testing::DumpAccount;
using testing::ToolTables;

struct LineToConvert {
    DocumentKind kind;
    int32_t id, entry;
    const RateChange* change;
};

const RateChange* const kTo16 = &StandardRateProfile().changes[0];
const RateChange* const kTo10 = &StandardRateProfile().changes[1];

const LineToConvert kLines[] = {
    {DocumentKind::PurchaseOrder, 1001, 1, kTo16},
    {DocumentKind::PurchaseOrder, 1002, 1, kTo16},
    {DocumentKind::PurchaseOrder, 1006, 5, kTo10},
    {DocumentKind::SalesOrder, 2002, 1, kTo16},
    {DocumentKind::SalesOrder, 2006, 5, kTo10},
    {DocumentKind::PayableContract, 3001, 1, kTo16},
    {DocumentKind::PayableContract, 3001, 3, kTo16},
};

// Fails every unit of work after the first `allowed`, as a killed process would stop them.
class StoppingEngine : public DatabaseEngine {
  public:
    StoppingEngine(DatabaseEngine& inner, int allowed) : inner_(inner), allowed_(allowed) {}
    RecordsetPtr Query(const std::string& sql, Error* error) override {
        return inner_.Query(sql, error);
    }
    Outcome Execute(const std::string& sql) override { return inner_.Execute(sql); }
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override {
        return inner_.ExecuteAtomic(batches);
    }
    TransactionOutcome RunTransaction(const TransactionWork& work,
                                      TransactionRetry retry) override {
        if (allowed_-- <= 0) return {Error{error_number::kDatabase, "killed"}};
        return inner_.RunTransaction(work, retry);
    }

  private:
    DatabaseEngine& inner_;
    int allowed_;
};

class UndoTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {
  protected:
    UndoTest()
        : account_(DemoAccountOptions{.discountIncludeTaxOn = std::get<1>(GetParam())}),
          gateway_(std::shared_ptr<DatabaseEngine>(&account_.engine(), [](auto*) {})) {
        account_.Execute(BackupTablesBatch());
        account_.Execute(JournalTablesBatch());
        state_.chk17 = state_.chk11 = CheckValue::Checked;
        state_.chkItem = state_.chkCust = state_.chkSupply = CheckValue::Checked;
        state_.adjustmentRule = std::get<0>(GetParam()) ? AdjustmentRule::KeepTaxInclusivePrice
                                                        : AdjustmentRule::KeepTaxExclusivePrice;
        state_.discountIncludeTaxOn = std::get<1>(GetParam());
    }

    // A whole run of the master data and the lines; the changes it made.
    std::vector<ChangeRow> Run(int32_t* runId) {
        RunRecorder recorder(RunRecord{}, JournalMode::Write, [] { return Now(); });
        EXPECT_TRUE(recorder.WriteMasterData(gateway_, state_, MasterDataBatch(state_)).ok());
        for (const LineToConvert& line : kLines) {
            const AtomicOutcome outcome = recorder.WriteLine(
                gateway_, line.kind, "B" + std::to_string(line.id), line.id, line.entry,
                ConversionKindOf(line.kind).lineStatements(line.id, line.entry, *line.change,
                                                           state_));
            EXPECT_TRUE(outcome.committed()) << outcome.error.description;
        }
        EXPECT_TRUE(recorder.Finish(gateway_, RunState::Done).ok());
        *runId = recorder.run().id;
        EXPECT_EQ(recorder.run().lines, static_cast<int32_t>(std::size(kLines)));
        return testing::RowsOf(*recorder.changes());
    }
    static std::string Now() { return "2026-12-07T14:00:00"; }
    static std::string Later() { return "2026-12-07T15:00:00"; }

    testing::EmbeddedAccount account_;
    Gateway gateway_;
    WindowState state_;
};

TEST_P(UndoTest, RunThenUndoLeavesTheAccountAsBeforeAndTheSameRunAgainGivesTheSameFigures) {
    const std::string before = DumpAccount(account_.engine(), ToolTables());
    const std::string backupsBefore =
        DumpAccount(account_.engine(), {"Q9TaxRateRun", "Q9TaxRateJournal"});
    int32_t first = 0;
    const std::vector<ChangeRow> changes = Run(&first);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(account_.Count(JournalRowsQuery(first)), static_cast<int>(changes.size()));
    EXPECT_NE(DumpAccount(account_.engine(), ToolTables()), before);

    const UndoOutcome undone = UndoRun(gateway_, first, Later());
    EXPECT_EQ(undone.result, UndoResult::Done) << undone.error.description;
    EXPECT_TRUE(undone.kept.empty());
    EXPECT_EQ(DumpAccount(account_.engine(), ToolTables()), before);
    // The backup rows of the run went with it.
    EXPECT_EQ(DumpAccount(account_.engine(), {"Q9TaxRateRun", "Q9TaxRateJournal"}), backupsBefore);
    EXPECT_EQ(UndoRun(gateway_, first, Later()).result, UndoResult::AlreadyUndone);
    EXPECT_EQ(UndoRun(gateway_, first + 7, Later()).result, UndoResult::UnknownRun);

    int32_t second = 0;
    const std::vector<ChangeRow> again = Run(&second);
    EXPECT_EQ(second, first + 1);
    ASSERT_EQ(again.size(), changes.size());
    for (size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(again[i].value, changes[i].value) << i;
    }
}

TEST_P(UndoTest, LineEditedSinceIsListedAndKept) {
    int32_t run = 0;
    Run(&run);
    account_.Execute("UPDATE POOrderEntry SET FCess=15 WHERE FInterID=1002 AND FEntryID=1");

    const UndoOutcome undone = UndoRun(gateway_, run, Later());
    EXPECT_EQ(undone.result, UndoResult::Done) << undone.error.description;
    ASSERT_EQ(undone.kept.size(), 1u);
    EXPECT_EQ(undone.kept[0].keys, "FInterID=1002;FEntryID=1");
    EXPECT_EQ(undone.kept[0].billNo, "B1002");
    EXPECT_DOUBLE_EQ(account_.Number("SELECT FCess FROM POOrderEntry WHERE FInterID=1002 AND "
                                     "FEntryID=1"),
                     15);
    EXPECT_DOUBLE_EQ(account_.Number("SELECT FCess FROM POOrderEntry WHERE FInterID=1001 AND "
                                     "FEntryID=1"),
                     17);
    EXPECT_EQ(account_.Count("SELECT * FROM POOrderEntryTaxRate WHERE FInterID=1002"), 1);
}

TEST_P(UndoTest, UndoCutOffThenRunAgainCompletesWithNothingRestoredTwice) {
    const std::string before = DumpAccount(account_.engine(), ToolTables());
    int32_t run = 0;
    std::set<std::string> masterRows;
    for (const ChangeRow& change : Run(&run)) {
        if (change.kind == kMasterDataKind)
            masterRows.insert(change.value.table + change.value.keys);
    }
    int restored = 0;
    for (int allowed : {2, 3}) {
        Gateway stopping(std::make_shared<StoppingEngine>(account_.engine(), allowed));
        const UndoOutcome cut = UndoRun(stopping, run, Later());
        EXPECT_EQ(cut.result, UndoResult::Failed);
        restored += cut.restored;
    }
    const UndoOutcome rest = UndoRun(gateway_, run, Later());
    EXPECT_EQ(rest.result, UndoResult::Done) << rest.error.description;
    EXPECT_EQ(restored + rest.restored, static_cast<int>(std::size(kLines) + masterRows.size()));
    EXPECT_EQ(DumpAccount(account_.engine(), ToolTables()), before);
    EXPECT_EQ(account_.Count(JournalRowsQuery(run)), 0);
}

TEST_P(UndoTest, RunInProgressRefusesUndo) {
    RunRecorder running(RunRecord{}, JournalMode::Write, [] { return Now(); });
    EXPECT_EQ(running.run().id, 0);  // no row before its first unit of work
    ASSERT_TRUE(running.WriteMasterData(gateway_, state_, MasterDataBatch(state_)).ok());
    ASSERT_GT(running.run().id, 0);
    for (const LineToConvert& line : {kLines[0], kLines[1]}) {
        ASSERT_TRUE(running
                        .WriteLine(gateway_, line.kind, "B", line.id, line.entry,
                                   ConversionKindOf(line.kind).lineStatements(line.id, line.entry,
                                                                              *line.change, state_))
                        .committed());
    }
    // Within the second of its first unit, its row still counts no line; its journal counts two.
    EXPECT_EQ(ListRuns(gateway_).front().lines, 2);
    EXPECT_EQ(UndoRun(gateway_, running.run().id, "2026-12-07T14:01:00").result,
              UndoResult::RunInProgress);
    // Cut off long ago: it can be undone.
    EXPECT_EQ(UndoRun(gateway_, running.run().id, Later()).result, UndoResult::Done);
}

INSTANTIATE_TEST_SUITE_P(RulesAndDiscounts, UndoTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

}  // namespace
}  // namespace q9
