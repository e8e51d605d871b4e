// Conversions on the embedded engine, every rewritten figure checked against the formulas in
// exact decimal arithmetic.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <tuple>

#include "convert/row_loop.h"
#include "convert_doubles.h"
#include "convert_exact_decimal.h"
#include "convert_expected_figures.h"
#include "convert_fixture.h"
#include "host/db/engine_factory.h"
#include "jobs/startup.h"
#include "support/core_doubles.h"

namespace q9 {
namespace {

using namespace testing_doubles;
using testing::CoreHarness;

// One entry line with its header's figures; every number as its decimal text.
struct LineData {
    int id, entry, item;
    std::string exchangeRate;
    int currency;
    Figures values;  // entry columns
};

// Four lines: 2- and 4-decimal prices, exchange rates, discounts, small and large quantities.
std::vector<LineData> Lines(bool contract, const std::string& rate) {
    auto entry = [&](const char* q, const char* pi, const char* pe, const char* d) {
        Figures f;
        if (contract) {
            f = {{"FQuantity", q},
                 {"FTaxPriceFor", pi},
                 {"FPriceFor", pe},
                 {"FPrice", "1.2345"},
                 {"FTaxPrice", "7.77"},
                 {"FFactPriceFor", "8.88"},
                 {"FTaxRate", rate},
                 {"FBusinessDiscountRate", d},
                 {"FAmountFor", "101.01"},
                 {"FAmount", "202.02"},
                 {"FTaxFor", "17.17"},
                 {"FTax", "34.34"},
                 {"FAmountIncludeTaxFor", "118.18"},
                 {"FAmountIncludeTax", "236.36"},
                 {"FReceiveAmountFor", "0"},
                 {"FBusinessDiscountFor", "0"},  // a discounted payable line is no candidate
                 {"FInvoiceQty_Relative", "0"}};
        } else {
            f = {{"FAuxQty", q},
                 {"FAuxTaxPrice", pi},
                 {"FAuxPrice", pe},
                 {"FPrice", "1.2345"},
                 {"FTaxPrice", "7.77"},
                 {"FAuxPriceDiscount", "8.88"},
                 {"FPriceDiscount", "9.99"},
                 {"FCess", rate},
                 {"FTaxRate", d},
                 {"FAmount", "1000.11"},
                 {"FAllAmount", "1170.13"},
                 {"FDescount", "4.44"},
                 {"FQtyInvoice", "0"},
                 {"FAuxCommitQty", "0"},
                 {"FReceiveAmountFor_Commit", "0"},
                 {"FTaxAmount", "170.02"},
                 {"FTaxAmt", "55.55"},
                 {"FAllStdAmount", "6666.66"}};
        }
        return f;
    };
    return {
        {1, 1, FixtureAccount::kMaterial2, "1", 1, entry("10", "117", "100", "0")},
        {2, 1, FixtureAccount::kMaterial4, "6.8321", 2,
         entry("1234.5678", "12.3456", "10.5518", "7.5")},
        {3, 1, FixtureAccount::kMaterial2, "0.1523", 1, entry("3", "0.35", "0.3", "12.345")},
        {4, 1, FixtureAccount::kMaterial4, "1", 2, entry("250", "99.9999", "85.47", "0")},
    };
}

int PriceDecimals(int item) {
    return item == FixtureAccount::kMaterial2 ? 2 : 4;
}

// What the formulas need of a line beside its entry columns.
LineFacts FactsOf(const LineData& line) {
    return {line.values, Exact(line.exchangeRate), PriceDecimals(line.item),
            line.currency == 1 ? 2 : 4};
}

// Backup columns of each kind and rule, besides the key.
std::vector<std::string> BackupColumns(DocumentKind kind, bool optAmount, bool includeTax) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            if (optAmount)
                return {"FCess", "FTaxAmount", "FAmount", "FAuxPrice", "FPrice", "FDescount"};
            return {"FCess",          "FAuxTaxPrice", "FTaxPrice",  "FAuxPriceDiscount",
                    "FPriceDiscount", "FTaxAmount",   "FAllAmount", "FDescount"};
        case DocumentKind::SalesOrder:
            if (optAmount && includeTax)
                return {"FCess", "FTaxAmt", "FAmount", "FAuxPrice", "FPrice"};
            if (optAmount)
                return {"FCess", "FTaxAmt", "FAmount", "FAuxPrice", "FPrice", "FTaxAmount"};
            return {"FCess",         "FTaxAmount",        "FAllAmount",
                    "FAllStdAmount", "FAuxPriceDiscount", "FPriceDiscount",
                    "FTaxAmt",       "FAuxTaxPrice",      "FTaxPrice"};
        default:
            if (optAmount)
                return {"FTaxRate", "FAmount",   "FAmountFor", "FTaxFor",
                        "FTax",     "FPriceFor", "FPrice"};
            return {"FTaxPriceFor",      "FTaxPrice", "FAmountIncludeTaxFor",
                    "FAmountIncludeTax", "FTaxFor",   "FTax"};
    }
}

struct Tables {
    std::string header, entry, backup, key;
};
Tables TablesOf(DocumentKind kind) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return {"POOrder", "POOrderEntry", "POOrderEntryTaxRate", "FInterID"};
        case DocumentKind::SalesOrder:
            return {"SEOrder", "SEOrderEntry", "SEOrderEntryTaxRate", "FInterID"};
        default:
            return {"t_RPContract", "t_RPContractEntry", "t_rpContractEntryRate", "FContractID"};
    }
}

bool IsContract(DocumentKind kind) {
    return kind == DocumentKind::PayableContract || kind == DocumentKind::ReceivableContract;
}

class ConversionOnAccount : public ::testing::Test {
  protected:
    void SetUp() override {
        engine = std::make_shared<FaultyEngine>(OpenSqliteEngine(account.path()));
        desk = std::make_unique<CoreHarness<>>(engine);
        ASSERT_TRUE(engine->Execute(BackupTablesBatch()).ok());
        desk->state.chk17 = CheckValue::Checked;
        desk->state.chk11 = CheckValue::Checked;
    }

    void InsertHeader(DocumentKind kind, int id, const std::string& exchangeRate, int currency,
                      int scheduleRows = 1) {
        const Tables t = TablesOf(kind);
        if (!IsContract(kind)) {
            account.Insert(t.header,
                           {{"FInterID", std::to_string(id)},
                            {"FBillNo", "'B" + std::to_string(id) + "'"},
                            {"FDate", "'2018-04-01'"},
                            {kind == DocumentKind::PurchaseOrder ? "FSupplyID" : "FCustID", "1"},
                            {"FCurrencyID", std::to_string(currency)},
                            {"FExchangeRate", exchangeRate}});
            return;
        }
        account.Insert(t.header, {{"FContractID", std::to_string(id)},
                                  {"FContractNo", "'HT" + std::to_string(id) + "'"},
                                  {"FDate", "'2018-04-01'"},
                                  {"FClassTypeID",
                                   kind == DocumentKind::PayableContract ? "1000020" : "1000019"},
                                  {"FItemClassID", "1"},
                                  {"FCustomer", "1"},
                                  {"FCurrencyID", std::to_string(currency)},
                                  {"FExchangeRate", exchangeRate},
                                  {"FTotalAmountFor", "5"},
                                  {"FTotalAmount", "6"}});
        for (int i = 1; i <= scheduleRows; ++i) {
            account.Insert("t_RPContractScheme", {{"FContractID", std::to_string(id)},
                                                  {"FEntryID", std::to_string(i)},
                                                  {"FAmountFor", "1"},
                                                  {"FAmount", "2"}});
        }
    }

    void InsertEntry(DocumentKind kind, const LineData& line) {
        Columns columns;
        const Tables t = TablesOf(kind);
        columns[t.key] = std::to_string(line.id);
        columns["FEntryID"] = std::to_string(line.entry);
        columns[IsContract(kind) ? "FProductID" : "FItemID"] = std::to_string(line.item);
        for (const auto& [name, value] : line.values) {
            if (kind == DocumentKind::PurchaseOrder &&
                (name == "FTaxAmt" || name == "FAllStdAmount"))
                continue;
            if (kind == DocumentKind::SalesOrder && name == "FDescount") continue;
            columns[name] = value.Text();
        }
        account.Insert(t.entry, columns);
    }

    void InsertLines(DocumentKind kind, const std::vector<LineData>& lines) {
        for (const LineData& line : lines) {
            InsertHeader(kind, line.id, line.exchangeRate, line.currency);
            InsertEntry(kind, line);
        }
    }

    ConversionOutcome Convert(DocumentKind kind, const std::vector<SheetRow>& rows) {
        return ConvertRows(desk->context, desk->display, ConversionKindOf(kind), Sheet(rows));
    }

    RowValues EntryRow(DocumentKind kind, int id, int entry) {
        const Tables t = TablesOf(kind);
        auto rows = account.Rows("SELECT * FROM " + t.entry + " WHERE " + t.key + "=" +
                                 std::to_string(id) + " AND FEntryID=" + std::to_string(entry));
        return rows.empty() ? RowValues{} : rows[0];
    }
    std::vector<RowValues> Backups(DocumentKind kind, int id) {
        const Tables t = TablesOf(kind);
        return account.Rows("SELECT * FROM " + t.backup + " WHERE " + t.key + "=" +
                            std::to_string(id));
    }
    int BackupCount(DocumentKind kind) {
        return static_cast<int>(account.Number("SELECT COUNT(*) FROM " + TablesOf(kind).backup));
    }

    // Every column equals its new figure, or its old value when the rule leaves it alone.
    void ExpectFigures(DocumentKind kind, const LineData& line, const Figures& expected) {
        RowValues row = EntryRow(kind, line.id, line.entry);
        for (const auto& [name, old] : line.values) {
            if (!row.count(name)) continue;
            auto it = expected.find(name);
            const Exact want = it == expected.end() ? old : it->second;
            ASSERT_TRUE(row[name].has_value()) << name;
            EXPECT_EQ(Exact::Digits15(*row[name]), want.Digits15())
                << name << " of line " << line.id << ": want " << want.Text();
        }
    }

    void ExpectBackup(DocumentKind kind, const LineData& line, bool optAmount, bool includeTax) {
        std::vector<RowValues> rows = Backups(kind, line.id);
        ASSERT_EQ(rows.size(), 1u) << "line " << line.id;
        std::vector<std::string> kept = BackupColumns(kind, optAmount, includeTax);
        std::set<std::string> keptSet(kept.begin(), kept.end());
        for (const auto& [name, value] : rows[0]) {
            if (name == TablesOf(kind).key || name == "FEntryID") {
                EXPECT_TRUE(value.has_value());
                continue;
            }
            if (keptSet.count(name)) {
                ASSERT_TRUE(value.has_value()) << name;
                EXPECT_EQ(*value, line.values.at(name).Stored()) << "backup " << name;
            } else {
                EXPECT_FALSE(value.has_value()) << "backup " << name << " should be null";
            }
        }
    }

    FixtureAccount account;
    std::shared_ptr<FaultyEngine> engine;
    std::unique_ptr<CoreHarness<>> desk;
};

std::vector<SheetRow> SheetOf(const std::vector<LineData>& lines, int rate) {
    std::vector<SheetRow> rows;
    for (const LineData& line : lines) rows.push_back({"B", rate, line.id, line.entry});
    return rows;
}

using Case = std::tuple<DocumentKind, bool, bool, int>;  // kind, optAmount, includeTax, rate

class EveryRule : public ConversionOnAccount, public ::testing::WithParamInterface<Case> {};

TEST_P(EveryRule, RewritesEveryFigureAsTheFormulasSayAndKeepsTheOldOnes) {
    const auto [kind, optAmount, includeTax, rate] = GetParam();
    const std::string n = rate == 17 ? "16.0" : "10.0";
    desk->state.adjustmentRule =
        optAmount ? AdjustmentRule::KeepTaxInclusivePrice : AdjustmentRule::KeepTaxExclusivePrice;
    desk->state.discountIncludeTaxOn = includeTax;
    std::vector<LineData> lines = Lines(IsContract(kind), std::to_string(rate));
    InsertLines(kind, lines);
    LineData sibling = lines[0];  // same contract, not in the workbook: its sums still count
    sibling.entry = 2;
    if (IsContract(kind)) InsertEntry(kind, sibling);

    ConversionOutcome summary = Convert(kind, SheetOf(lines, rate));
    EXPECT_EQ(summary.converted, 4) << desk->display.rows.size();
    EXPECT_TRUE(desk->display.rows.empty()) << desk->display.rows[0];

    for (const LineData& line : lines) {
        Figures expected = IsContract(kind)
                               ? ExpectedContract(FactsOf(line), n, optAmount)
                               : ExpectedOrder(kind == DocumentKind::SalesOrder, FactsOf(line), n,
                                               optAmount, includeTax);
        ExpectFigures(kind, line, expected);
        ExpectBackup(kind, line, optAmount, includeTax);
        if (IsContract(kind)) {
            Exact sumFor = expected.count("FAmountIncludeTaxFor")
                               ? expected["FAmountIncludeTaxFor"]
                               : line.values.at("FAmountIncludeTaxFor");
            Exact sum = expected.count("FAmountIncludeTax") ? expected["FAmountIncludeTax"]
                                                            : line.values.at("FAmountIncludeTax");
            if (line.id == sibling.id) {
                sumFor = sumFor + sibling.values.at("FAmountIncludeTaxFor");
                sum = sum + sibling.values.at("FAmountIncludeTax");
            }
            const std::string id = std::to_string(line.id);
            RowValues header =
                account.Rows("SELECT * FROM t_RPContract WHERE FContractID=" + id)[0];
            RowValues schedule =
                account.Rows("SELECT * FROM t_RPContractScheme WHERE FContractID=" + id)[0];
            if (optAmount) {
                EXPECT_EQ(*header["FTotalAmountFor"], 5);
                EXPECT_EQ(*schedule["FAmount"], 2);
            } else {
                EXPECT_EQ(Exact::Digits15(*header["FTotalAmountFor"]), sumFor.Digits15())
                    << sumFor.Text();
                EXPECT_EQ(Exact::Digits15(*header["FTotalAmount"]), sum.Digits15()) << sum.Text();
                EXPECT_EQ(Exact::Digits15(*schedule["FAmountFor"]), sumFor.Digits15());
                EXPECT_EQ(Exact::Digits15(*schedule["FAmount"]), sum.Digits15());
            }
        }
    }
    if (IsContract(kind)) ExpectFigures(kind, sibling, {});

    // The same workbook again: nothing changes, no backup row is added.
    const int backups = BackupCount(kind);
    ConversionOutcome again = Convert(kind, SheetOf(lines, rate));
    EXPECT_EQ(again.converted, 0);
    EXPECT_EQ(BackupCount(kind), backups);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, EveryRule,
                         ::testing::Combine(::testing::Values(DocumentKind::PurchaseOrder,
                                                              DocumentKind::SalesOrder,
                                                              DocumentKind::PayableContract),
                                            ::testing::Bool(), ::testing::Bool(),
                                            ::testing::Values(17, 11)));

// Without it, conversions on the embedded engine list every line as a failed update.
TEST_F(ConversionOnAccount, TheEmbeddedEngineGuardsTheUpdateItself) {
    EXPECT_FALSE(engine->emulatesGuard())
        << "the embedded engine does not implement ExecuteAtomicGuarded; the tests emulate it";
}

TEST_F(ConversionOnAccount, ARowListedTwiceIsConvertedOnce) {
    std::vector<LineData> lines = Lines(false, "17");
    InsertLines(DocumentKind::SalesOrder, {lines[1]});
    ConversionOutcome s = Convert(DocumentKind::SalesOrder, {{"B", 17, 2, 1}, {"B", 17, 2, 1}});
    EXPECT_EQ(s.converted, 1);
    EXPECT_EQ(Backups(DocumentKind::SalesOrder, 2).size(), 1u);
    ExpectFigures(DocumentKind::SalesOrder, lines[1],
                  ExpectedOrder(true, FactsOf(lines[1]), "16.0", true, false));
}

TEST_F(ConversionOnAccount, AnEntryNoLongerAtTheOldRateIsLeftAlone) {
    std::vector<LineData> lines = Lines(false, "13");
    InsertLines(DocumentKind::PurchaseOrder, {lines[0]});
    ConversionOutcome s = Convert(DocumentKind::PurchaseOrder, {{"B", 17, 1, 1}});
    EXPECT_EQ(s.converted, 0);
    EXPECT_EQ(s.listed, 0);
    EXPECT_EQ(BackupCount(DocumentKind::PurchaseOrder), 0);
    ExpectFigures(DocumentKind::PurchaseOrder, lines[0], {});
}

TEST_F(ConversionOnAccount, AnEntryWithoutHeaderOrMaterialGetsNoOrphanBackup) {
    for (DocumentKind kind : {DocumentKind::PurchaseOrder, DocumentKind::SalesOrder,
                              DocumentKind::ReceivableContract}) {
        for (bool optAmount : {true, false}) {
            desk->state.adjustmentRule = optAmount ? AdjustmentRule::KeepTaxInclusivePrice
                                                   : AdjustmentRule::KeepTaxExclusivePrice;
            std::vector<LineData> lines = Lines(IsContract(kind), "17");
            InsertEntry(kind, lines[0]);  // no header
            lines[1].item = 99;           // no material
            InsertLines(kind, {lines[1]});
            Convert(kind, {{"B", 17, 1, 1}, {"B", 17, 2, 1}});
            Convert(kind, {{"B", 17, 1, 1}, {"B", 17, 2, 1}});
            EXPECT_EQ(BackupCount(kind), 0) << KindText(kind);
            EXPECT_TRUE(desk->display.rows.empty());
            ExpectFigures(kind, lines[0], {});
            ExpectFigures(kind, lines[1], {});
            account.Run("DELETE FROM " + TablesOf(kind).entry + ";DELETE FROM " +
                        TablesOf(kind).header +
                        (IsContract(kind) ? ";DELETE FROM t_RPContractScheme" : ""));
        }
    }
}

TEST_F(ConversionOnAccount, TheLinkedAmountRefusesOnlyWhenItExceedsTheNewAmount) {
    // New amounts at 16 %: 10 × 117 / 1.16 = 1008.62 (order and contract alike).
    std::vector<LineData> orders = Lines(false, "17");
    orders[0].values["FReceiveAmountFor_Commit"] = "1008.63";
    LineData equal = orders[0];
    equal.id = 5;
    equal.values["FReceiveAmountFor_Commit"] = "1008.62";
    InsertLines(DocumentKind::PurchaseOrder, {orders[0], equal});
    Convert(DocumentKind::PurchaseOrder, {{"CG1", 17, 1, 1}, {"CG5", 17, 5, 1}});
    EXPECT_EQ(
        desk->display.rows,
        (std::vector<std::string>{"CG1 分录:1|xls上该行数据的关联金额大于金额，该行数据不处理|"}));
    ExpectFigures(DocumentKind::PurchaseOrder, orders[0], {});
    EXPECT_EQ(Backups(DocumentKind::PurchaseOrder, 5).size(), 1u);

    std::vector<LineData> contracts = Lines(true, "17");
    contracts[0].values["FReceiveAmountFor"] = "1008.63";
    LineData equalContract = contracts[0];
    equalContract.id = 5;
    equalContract.values["FReceiveAmountFor"] = "1008.62";
    InsertLines(DocumentKind::PayableContract, {contracts[0], equalContract});
    desk->display.rows.clear();
    Convert(DocumentKind::PayableContract, {{"HT1", 17, 1, 1}, {"HT5", 17, 5, 1}});
    EXPECT_EQ(desk->display.rows.size(), 1u);
    EXPECT_EQ(Backups(DocumentKind::PayableContract, 1).size(), 0u);
    EXPECT_EQ(Backups(DocumentKind::PayableContract, 5).size(), 1u);
}

TEST_F(ConversionOnAccount, SeveralScheduleRowsRefuseEveryLineOfTheContract) {
    desk->state.adjustmentRule = AdjustmentRule::KeepTaxExclusivePrice;
    std::vector<LineData> lines = Lines(true, "17");
    InsertHeader(DocumentKind::ReceivableContract, 1, "1", 1, 2);
    InsertEntry(DocumentKind::ReceivableContract, lines[0]);
    Convert(DocumentKind::ReceivableContract, {{"HT1", 17, 1, 1}});
    EXPECT_EQ(desk->display.rows.size(), 1u);
    EXPECT_EQ(BackupCount(DocumentKind::ReceivableContract), 0);
    ExpectFigures(DocumentKind::ReceivableContract, lines[0], {});
}

// A statement of the line fails: nothing of the line stays, the row is listed, the next row is
// converted.
TEST_F(ConversionOnAccount, AFailingStatementLeavesNothingOfItsLine) {
    desk->state.adjustmentRule = AdjustmentRule::KeepTaxExclusivePrice;
    const char* where[] = {"the backup insert", "the update", "the totals"};
    for (size_t at = 0; at < 3; ++at) {
        std::vector<LineData> lines = Lines(true, "17");
        InsertLines(DocumentKind::PayableContract, {lines[0], lines[1]});
        engine->FailAt("(te.FContractID= 1 AND", at);
        desk->display.rows.clear();
        ConversionOutcome s =
            Convert(DocumentKind::PayableContract, {{"HT1", 17, 1, 1}, {"HT2", 17, 2, 1}});
        EXPECT_EQ(s.converted, 1) << where[at];
        ASSERT_EQ(desk->display.rows.size(), 1u) << where[at];
        EXPECT_EQ(desk->display.rows[0].rfind("HT1 分录:1|数据库更新失败，该行数据未修改：", 0),
                  0u);
        ExpectFigures(DocumentKind::PayableContract, lines[0], {});
        EXPECT_EQ(account.Number("SELECT FTotalAmountFor FROM t_RPContract WHERE FContractID=1"),
                  5);
        EXPECT_EQ(Backups(DocumentKind::PayableContract, 1).size(), 0u) << where[at];
        EXPECT_EQ(Backups(DocumentKind::PayableContract, 2).size(), 1u);
        ExpectFigures(DocumentKind::PayableContract, lines[1],
                      ExpectedContract(FactsOf(lines[1]), "16.0", false));
        account.Run(
            "DELETE FROM t_RPContractEntry;DELETE FROM t_RPContract;"
            "DELETE FROM t_RPContractScheme;DELETE FROM t_rpContractEntryRate");
    }
}

TEST_F(ConversionOnAccount, AFailingOrderStatementLeavesNoBackupRow) {
    std::vector<LineData> lines = Lines(false, "11");
    InsertLines(DocumentKind::PurchaseOrder, {lines[0], lines[2]});
    engine->FailAt("(te.FInterID= 1 AND", 1);
    Convert(DocumentKind::PurchaseOrder, {{"CG1", 11, 1, 1}, {"CG3", 11, 3, 1}});
    EXPECT_EQ(Backups(DocumentKind::PurchaseOrder, 1).size(), 0u);
    ExpectFigures(DocumentKind::PurchaseOrder, lines[0], {});
    ExpectFigures(DocumentKind::PurchaseOrder, lines[2],
                  ExpectedOrder(false, FactsOf(lines[2]), "10.0", true, false));
}

}  // namespace
}  // namespace q9
