#include "journal/change_capture.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "../host/db/embedded_account_fixture.h"
#include "convert/row_loop.h"
#include "jobs/startup.h"
#include "journal/sql_literal.h"

namespace q9 {
namespace {

using Change = std::tuple<std::string, std::string, std::string, std::string>;

// Table, column, before and after of every cell that differs between two full reads of the
// tables, row by row in scan order.
std::set<Change> CellsThatDiffer(DatabaseEngine& engine, const std::set<std::string>& tables,
                                 const std::function<void()>& change) {
    std::map<std::string, RecordsetPtr> before;
    Error error;
    for (const std::string& table : tables)
        before[table] = engine.Query("SELECT * FROM " + table, &error);
    change();
    std::set<Change> cells;
    for (const std::string& table : tables) {
        RecordsetPtr after = engine.Query("SELECT * FROM " + table, &error);
        const auto& was = before[table]->Rows();
        const auto& is = after->Rows();
        EXPECT_EQ(was.size(), is.size());
        for (size_t r = 0; r < std::min(was.size(), is.size()); ++r) {
            for (size_t c = 0; c < was[r].size(); ++c) {
                if (SqlLiteral(was[r][c]) == SqlLiteral(is[r][c])) continue;
                cells.emplace(table, after->FieldNames()[c], SqlLiteral(was[r][c]),
                              SqlLiteral(is[r][c]));
            }
        }
    }
    return cells;
}

TEST(ChangeCapture, LineChangesAreExactlyWhatTheDatabaseChanged) {
    const struct {
        DocumentKind kind;
        int32_t id, entry;
        bool inclusiveRule;
        bool discountIncludesTax;
    } cases[] = {
        {DocumentKind::PurchaseOrder, 1002, 1, true, false},
        {DocumentKind::PurchaseOrder, 1002, 1, false, true},
        {DocumentKind::SalesOrder, 2002, 1, false, false},
        {DocumentKind::SalesOrder, 2002, 1, true, true},
        {DocumentKind::PayableContract, 3001, 1, true, false},
        {DocumentKind::PayableContract, 3001, 1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(KindText(c.kind) + " " + std::to_string(c.id) +
                     (c.inclusiveRule ? " inclusive" : " exclusive"));
        testing::EmbeddedAccount account;
        account.Execute(BackupTablesBatch());
        WindowState state;
        state.adjustmentRule = c.inclusiveRule ? AdjustmentRule::KeepTaxInclusivePrice
                                               : AdjustmentRule::KeepTaxExclusivePrice;
        state.discountIncludeTaxOn = c.discountIncludesTax;
        const LineStatements line = ConversionKindOf(c.kind).lineStatements(
            c.id, c.entry, StandardRateProfile().changes[0], state);
        const std::vector<CaptureTarget> targets =
            LineTargets(c.kind, c.id, c.entry, !line.totals.empty());
        std::vector<ChangedValue> captured;
        std::set<std::string> tables;
        for (const CaptureTarget& target : targets) tables.insert(target.table);

        // Read before and after, in a transaction rolled back; then told by the engine.
        std::vector<ChangedValue> read;
        account.engine().RunTransaction([&](TransactionScope& scope) {
            const std::vector<RecordsetPtr> before = Capture(scope, targets);
            scope.Execute(line.EntryBatch());
            if (!line.totals.empty()) scope.Execute(line.totals);
            read = ChangedValues(targets, before, Capture(scope, targets));
            return TransactionEnd::RollBack;
        });
        const std::set<Change> differ = CellsThatDiffer(account.engine(), tables, [&] {
            const TransactionOutcome outcome =
                account.engine().RunTransaction([&](TransactionScope& scope) {
                    TargetCapture capture(scope, targets);
                    scope.Execute(line.EntryBatch());
                    if (!line.totals.empty()) scope.Execute(line.totals);
                    captured = capture.Finish();
                    return TransactionEnd::Commit;
                });
            EXPECT_TRUE(outcome.committed()) << outcome.error.description;
        });
        EXPECT_EQ(captured, read);
        std::set<Change> fromCapture;
        for (const ChangedValue& v : captured) {
            fromCapture.emplace(v.table, v.column, v.before, v.after);
            EXPECT_TRUE(
                v.keys.starts_with(KeyColumns(v.table).front() + "=" + std::to_string(c.id)))
                << v.keys;
        }
        EXPECT_FALSE(differ.empty());
        EXPECT_EQ(fromCapture, differ);
        EXPECT_EQ(fromCapture.size(), captured.size());  // no value twice
    }
}

TEST(ChangeCapture, TheEngineTellsTheRowsThatReadingBeforeAndAfterWouldFind) {
    const struct {
        const char* statements;
        std::vector<int64_t> before, after;  // FID of the rows told, by rowid
    } cases[] = {
        {"UPDATE W SET FV=FV+1 WHERE FK=1", {1, 2}, {1, 2}},
        {"UPDATE W SET FV=FV+1 WHERE FID=1; UPDATE W SET FV=FV*2 WHERE FID=1", {1}, {1}},
        {"UPDATE W SET FV=9 WHERE FK=2", {}, {}},
        {"INSERT INTO W VALUES(4,1,'1','a')", {}, {4}},
        {"DELETE FROM W WHERE FID=2", {2}, {}},
        {"UPDATE W SET FK=1 WHERE FID=3", {}, {3}},
        {"UPDATE W SET FK=2 WHERE FID=1", {1}, {}},
        {"UPDATE W SET FV=FV+1 WHERE FID=1; UPDATE W SET FK=2 WHERE FID=1", {1}, {}},
        {"UPDATE W SET FK=2 WHERE FID=1; UPDATE W SET FK=1, FV=0 WHERE FID=1", {1}, {1}},
        {"UPDATE W SET FV=FV WHERE FID=1; UPDATE W SET FT='b' WHERE FID=1", {1}, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statements);
        testing::EmbeddedAccount account;
        account.Execute("CREATE TABLE W(FID INT, FK INT, FV DECIMAL(28,10), FT VARCHAR(9))");
        account.Execute("INSERT INTO W VALUES(1,1,'1.5','a'),(2,1,'2.25','a'),(3,2,'3.5','a')");
        account.engine().RunTransaction([&](TransactionScope& scope) {
            const RecordsetPtr was = scope.Query("SELECT * FROM W");
            std::unique_ptr<ChangeWatch> watch = scope.WatchChanges({{"w", {{"FK", 1}}, {"FID"}}});
            EXPECT_TRUE(watch);
            if (!watch) return TransactionEnd::RollBack;
            EXPECT_FALSE(scope.WatchChanges({{"W", {{"FK", 2}}, {}}})) << "one watch at a time";
            scope.Execute(c.statements);
            const RecordsetPtr is = scope.Query("SELECT * FROM W");
            const std::vector<WatchedRows> told = watch->Take();
            EXPECT_EQ(told.size(), 1u);
            if (told.size() != 1) return TransactionEnd::RollBack;
            // Each row told as a full read finds it, in the same columns; a row told in both
            // may leave out (as nulls in both) a column that it holds unchanged.
            const auto byId = [](const RecordsetPtr& rows) {
                std::map<int64_t, Recordset::Row> found;
                for (const Recordset::Row& row : rows->Rows()) found[row[0].AsInteger()] = row;
                return found;
            };
            const auto toldBefore = byId(told[0].before), toldAfter = byId(told[0].after);
            const auto readBefore = byId(was), readAfter = byId(is);
            for (const auto& [rows, read, wanted] :
                 {std::tuple(told[0].before, &readBefore, c.before),
                  std::tuple(told[0].after, &readAfter, c.after)}) {
                EXPECT_EQ(rows->FieldNames(), was->FieldNames());
                std::vector<int64_t> ids;
                for (const Recordset::Row& row : rows->Rows()) {
                    const int64_t id = row[0].AsInteger();
                    ids.push_back(id);
                    const Recordset::Row& full = read->at(id);
                    const bool inBoth = toldBefore.contains(id) && toldAfter.contains(id);
                    for (size_t col = 0; col < row.size(); ++col) {
                        const bool leftOut = inBoth && toldBefore.at(id)[col].IsNull() &&
                                             toldAfter.at(id)[col].IsNull() &&
                                             readBefore.at(id)[col] == readAfter.at(id)[col];
                        EXPECT_TRUE(row[col] == full[col] || leftOut) << id << " column " << col;
                    }
                }
                EXPECT_EQ(ids, wanted);
            }
            return TransactionEnd::RollBack;
        });
    }
}

TEST(ChangeCapture, MasterDataRowsAreFoundAgainAfterTheirRateMoved) {
    testing::EmbeddedAccount account;
    WindowState state;
    state.chk17 = state.chkItem = CheckValue::Checked;
    const std::vector<CaptureTarget> targets = MasterDataTargets(state);
    std::vector<ChangedValue> captured;
    const TransactionOutcome outcome =
        account.engine().RunTransaction([&](TransactionScope& scope) {
            const std::vector<RecordsetPtr> before = Capture(scope, targets);
            scope.Execute(
                "UPDATE t_ICItemMaterial SET FTaxRate=16 WHERE FTaxRate=17 UPDATE "
                "t_ItemPropDesc SET FDefaultValue = '16' WHERE FItemClassID =4 and "
                "FSQLColumnName ='FTaxRate'");
            captured = ChangedValues(targets, before, Capture(scope, targets));
            return TransactionEnd::RollBack;
        });
    EXPECT_FALSE(outcome.error.IsSet()) << outcome.error.description;
    ASSERT_FALSE(captured.empty());
    for (const ChangedValue& v : captured) {
        if (v.table == "t_ItemPropDesc") {
            EXPECT_EQ(v.keys, "FItemClassID=4;FSQLColumnName=N'FTaxRate'");
            EXPECT_EQ(v.after, "N'16'");
        } else {
            EXPECT_EQ(v.column, "FTaxRate");
            EXPECT_EQ(v.before, "17");
            EXPECT_EQ(v.after, "16");
        }
    }
    EXPECT_TRUE(MasterDataTargets(WindowState{}).empty());
}

TEST(ChangeCapture, OnlyTheToolsTablesHaveKeys) {
    EXPECT_EQ(KeyColumns("t_rpContractEntry"),
              (std::vector<std::string>{"FContractID", "FEntryID"}));
    EXPECT_THROW(KeyColumns("t_SystemProfile"), HostError);
}

}  // namespace
}  // namespace q9
