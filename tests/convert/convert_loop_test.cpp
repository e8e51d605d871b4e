// The row loop against a scripted database: what is listed, sent, stopped and reported.
#include <gtest/gtest.h>

#include "convert/converters.h"
#include "convert/order_sql.h"
#include "convert/row_loop.h"
#include "convert_doubles.h"
#include "support/core_doubles.h"

namespace q9 {
namespace {

using namespace testing_doubles;
using testing::CoreHarness;

const std::string kRateReason = "xls上该行数据的税率不是17或11，该行数据不处理";
const std::string kOrderReason = "xls上该行数据的关联金额大于金额，该行数据不处理";
const std::string kContractReason =
    "xls上该行数据的关联金额大于金额或者收付款计划数据有多条分录，该行数据不处理";

RecordsetPtr OneRow() {
    return std::make_shared<Recordset>(std::vector<std::string>{"c"},
                                       std::vector<Recordset::Row>{{Value(1)}});
}

class RowLoopTest : public ::testing::Test {
  protected:
    RowLoopTest() : engine(std::make_shared<ScriptedEngine>()), desk(engine) {
        desk.state.chk17 = CheckValue::Checked;
        desk.state.chk11 = CheckValue::Checked;
    }
    ConversionOutcome Run(DocumentKind kind, const RecordsetPtr& rows) {
        return ConvertRows(desk.context, desk.display, ConversionKindOf(kind), rows);
    }

    std::shared_ptr<ScriptedEngine> engine;
    CoreHarness<> desk;
};

TEST_F(RowLoopTest, TitleRowIsSteppedOverOnlyWhenThereAreRecords) {
    EXPECT_EQ(Run(DocumentKind::PurchaseOrder, Sheet({})).rows, 0);
    EXPECT_EQ(Run(DocumentKind::PurchaseOrder, Sheet({}, false)).rows, 0);
    // Without a title row the first data row is the one stepped over.
    ConversionOutcome s =
        Run(DocumentKind::PurchaseOrder, Sheet({{"A", 17, 1, 1}, {"B", 17, 2, 1}}, false));
    EXPECT_EQ(s.rows, 1);
    EXPECT_EQ(s.converted, 1);
    EXPECT_TRUE(engine->queries.empty() == false);
    EXPECT_TRUE(desk.display.rows.empty());
    EXPECT_TRUE(desk.notifier.notices.empty());
}

TEST_F(RowLoopTest, EveryRowLetsTheWindowBreatheAndReportsProgress) {
    Run(DocumentKind::SalesOrder, Sheet({{"A", 16, 1, 1}, {"B", 17, 2, 1}, {"C", 11, 3, 1}}));
    EXPECT_EQ(desk.pump.processed, 3);
    EXPECT_EQ(desk.pump.progress,
              (std::vector<std::string>{"销售订单 1/3", "销售订单 2/3", "销售订单 3/3"}));
}

TEST_F(RowLoopTest, RatesAreReadLikeValAndNeedTheirBoxTicked) {
    desk.state.chk11 = CheckValue::Unchecked;
    ConversionOutcome s = Run(DocumentKind::PayableContract, Sheet({{"HT1", "17", 1, 1},
                                                                    {"HT2", 17.0, 2, 1},
                                                                    {"HT3", " 1 7", 3, 1},
                                                                    {"HT4", "17%", 4, 1},
                                                                    {"HT5", "17.5", 5, 1},
                                                                    {"HT6", 16, 6, 1},
                                                                    {"HT7", "0.17", 7, 1},
                                                                    {"HT8", 11, 8, 1},
                                                                    {"HT9", "税率", 9, 1}}));
    EXPECT_EQ(s.converted, 4);
    EXPECT_EQ(s.listed, 5);
    EXPECT_EQ(s.refused, 5);
    EXPECT_TRUE(s.ok());
    ASSERT_EQ(engine->runs.size(), 4u);
    for (const auto& run : engine->runs) {
        EXPECT_NE(run[1].sql.find("te.FTaxRate=1+16.0"), std::string::npos);
    }
    EXPECT_EQ(desk.display.rows.front(), "HT5 分录:1|" + kRateReason + "|");
    EXPECT_EQ(desk.display.rows[3], "HT8 分录:1|" + kRateReason + "|");
}

TEST_F(RowLoopTest, AGreyedBoxDoesNotCountAsTicked) {
    desk.state.chk17 = CheckValue::Grayed;
    Run(DocumentKind::PurchaseOrder, Sheet({{"CG001", 17, 501, 3}}));
    EXPECT_EQ(desk.display.rows, (std::vector<std::string>{"CG001 分录:3|" + kRateReason + "|"}));
    EXPECT_TRUE(engine->queries.empty());
}

TEST_F(RowLoopTest, EmptyBillAndEntryCellsGiveEmptyText) {
    Run(DocumentKind::PurchaseOrder, Sheet({{Value(), 16, 501, Value()}}));
    EXPECT_EQ(desk.display.rows, (std::vector<std::string>{" 分录:|" + kRateReason + "|"}));
}

TEST_F(RowLoopTest, BarsAndLineBreaksInCellsStayInsideTheirColumn) {
    Run(DocumentKind::PurchaseOrder, Sheet({{"CG|001\r\nx", 16, 501, "3|=1\n"}}));
    EXPECT_EQ(desk.display.rows,
              (std::vector<std::string>{"CG/001  x 分录:3/=1 |" + kRateReason + "|"}));
}

TEST_F(RowLoopTest, ConflictsAreListedWithTheReasonOfTheKind) {
    engine->answerQuery = [](const std::string&, Error*) { return OneRow(); };
    Run(DocumentKind::PurchaseOrder, Sheet({{"CG001", 17, 501, 3}}));
    Run(DocumentKind::ReceivableContract, Sheet({{"HT001", 11, 9, 2}}));
    EXPECT_EQ(desk.display.rows,
              (std::vector<std::string>{"CG001 分录:3|" + kOrderReason + "|",
                                        "HT001 分录:2|" + kContractReason + "|"}));
    EXPECT_TRUE(engine->runs.empty());
}

TEST_F(RowLoopTest, TheRowConditionIsBuiltFromWholeNumbersNotFromCellText) {
    Run(DocumentKind::PurchaseOrder, Sheet({{"A", 17, "501", 2.0}, {"B", 17, 1205.0, "  3 "}}));
    ASSERT_EQ(engine->queries.size(), 2u);
    EXPECT_NE(engine->queries[0].find("AND (te.FInterID=501 AND te.FEntryID=2) "),
              std::string::npos);
    EXPECT_NE(engine->queries[1].find("(te.FInterID=1205 AND te.FEntryID=3) "), std::string::npos);
    EXPECT_NE(engine->runs[1][1].sql.find("(te.FInterID= 1205 AND te.FEntryID=3)"),
              std::string::npos);
}

TEST_F(RowLoopTest, AnIdThatIsNoWholeNumberStopsTheLoopBeforeAnySql) {
    for (Value bad : {Value("1) OR (1=1"), Value(501.5), Value("501.5"), Value(),
                      Value(4294967296.0), Value("")}) {
        engine->queries.clear();
        engine->runs.clear();
        desk.display.rows.clear();
        desk.notifier.notices.clear();
        ConversionOutcome s =
            Run(DocumentKind::SalesOrder, Sheet({{"XS1", 17, bad, 1}, {"XS2", 17, 7, 1}}));
        EXPECT_TRUE(s.stopped());
        EXPECT_TRUE(engine->queries.empty());
        EXPECT_TRUE(engine->runs.empty());
        ASSERT_EQ(desk.display.rows.size(), 1u);
        EXPECT_EQ(desk.display.rows[0].rfind("XS1 分录:1|该行数据无法处理，本表后续行未处理：", 0),
                  0u);
        ASSERT_EQ(desk.notifier.notices.size(), 1u);
        EXPECT_NE(desk.display.rows[0].find(desk.notifier.notices[0]), std::string::npos);
    }
}

TEST_F(RowLoopTest, ARowThatCannotBeHandledStopsEveryKindAndKeepsEarlierWork) {
    for (DocumentKind kind : kAllDocumentKinds) {
        desk.display.rows.clear();
        desk.notifier.notices.clear();
        engine->runs.clear();
        ConversionOutcome s = Run(
            kind,
            Sheet({{"D1", 16, 1, 1}, {"D2", 17, 2, 1}, {"D3", Value(), 3, 1}, {"D4", 16, 4, 1}}));
        EXPECT_TRUE(s.stopped());
        EXPECT_EQ(s.converted, 1);
        EXPECT_EQ(s.refused, 1);
        EXPECT_EQ(s.stop->error.number, error_number::kInvalidUseOfNull);
        EXPECT_EQ(s.stop->where, (Place{"", KindText(kind), 4}));  // D3, below the title row
        EXPECT_EQ(engine->runs.size(), 1u);
        ASSERT_EQ(desk.display.rows.size(), 2u) << KindText(kind);
        // The rate cell of D3 (column H) is empty.
        const std::string cell = KindText(kind) + " 第4行 H列：值为空";
        EXPECT_EQ(desk.display.rows[1],
                  "D3 分录:1|该行数据无法处理，本表后续行未处理：" + cell + "|");
        EXPECT_EQ(desk.notifier.notices, std::vector<std::string>{cell});
    }
}

TEST_F(RowLoopTest, ACheckQueryWithoutRecordsetStopsTheLoop) {
    engine->answerQuery = [](const std::string&, Error* error) {
        *error = DatabaseError(3604, "Invalid object name 't_Currency'.");
        return RecordsetPtr();
    };
    ConversionOutcome s =
        Run(DocumentKind::PayableContract, Sheet({{"HT1", 17, 1, 1}, {"HT2", 17, 2, 1}}));
    EXPECT_TRUE(s.stopped());
    EXPECT_TRUE(engine->runs.empty());
    EXPECT_EQ(desk.display.rows,
              (std::vector<std::string>{"HT1 分录:1|该行数据无法处理，本表后续行未处理：应付合同 "
                                        "第2行：数据库报告：Invalid object name 't_Currency'.|"}));
    EXPECT_EQ(desk.notifier.notices.size(), 1u);
}

TEST_F(RowLoopTest, AFailingDisplayStopsTheLoopWithANotice) {
    desk.display.failAt = "Add";
    desk.display.failure = Error{438, "Object doesn't support this property or method"};
    ConversionOutcome s =
        Run(DocumentKind::PurchaseOrder, Sheet({{"CG1", 16, 1, 1}, {"CG2", 17, 2, 1}}));
    EXPECT_TRUE(s.stopped());
    EXPECT_TRUE(engine->runs.empty());
    EXPECT_EQ(
        desk.notifier.notices,
        std::vector<std::string>{"采购订单 第2行：Object doesn't support this property or method"});
}

TEST_F(RowLoopTest, ClearedRowsAreSteppedOverSilently) {
    ConversionOutcome s = Run(DocumentKind::PurchaseOrder,
                              Sheet({{Value(), Value(), Value(), Value()}, {"CG2", 17, 2, 1}}));
    EXPECT_FALSE(s.stopped());
    EXPECT_EQ(s.rows, 1);
    EXPECT_EQ(s.converted, 1);
    EXPECT_TRUE(desk.display.rows.empty());
}

TEST_F(RowLoopTest, OneLineIsOneGuardedTransaction) {
    desk.state.adjustmentRule = AdjustmentRule::KeepTaxExclusivePrice;
    Run(DocumentKind::PurchaseOrder, Sheet({{"CG1", 17, 5, 1}}));
    Run(DocumentKind::ReceivableContract, Sheet({{"HT1", 11, 6, 2}}));
    ASSERT_EQ(engine->runs.size(), 2u);
    const auto& order = engine->runs[0];
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0].sql.rfind("INSERT INTO POOrderEntryTaxRate", 0), 0u);
    EXPECT_FALSE(order[0].mustChangeRows);
    EXPECT_TRUE(order[1].mustChangeRows);
    EXPECT_EQ(order[0].sql + "\r\n" + order[1].sql,
              GetPOUpdateSql(5, 1, StandardRateProfile().changes[0],
                             AdjustmentRule::KeepTaxExclusivePrice, false));
    const auto& contract = engine->runs[1];
    ASSERT_EQ(contract.size(), 3u);
    EXPECT_TRUE(contract[1].mustChangeRows);
    EXPECT_FALSE(contract[2].mustChangeRows);
    EXPECT_EQ(contract[2].sql.rfind("UPDATE t_rpContract SET FTotalAmountFor=", 0), 0u);
    EXPECT_TRUE(engine->executed.empty());
}

TEST_F(RowLoopTest, ARejectedLineIsListedAndTheLoopGoesOn) {
    engine->answerRun = [](const std::vector<AtomicBatch>& batches) {
        if (batches[0].sql.find("te.FInterID= 1 ") != std::string::npos) {
            return AtomicOutcome{Error{3604, "Arithmetic overflow | error\r\nconverting"}};
        }
        return AtomicOutcome{};
    };
    ConversionOutcome s =
        Run(DocumentKind::SalesOrder, Sheet({{"XS1", 17, 1, 1}, {"XS2", 17, 2, 1}}));
    EXPECT_FALSE(s.stopped());
    EXPECT_EQ(s.converted, 1);
    ASSERT_EQ(s.failures.size(), 1u);
    EXPECT_EQ(s.failures[0].error.number, 3604);
    EXPECT_EQ(s.failures[0].where, (Place{"", "销售订单", 2}));
    EXPECT_EQ(desk.display.rows,
              (std::vector<std::string>{
                  "XS1 分录:1|数据库更新失败，该行数据未修改：Arithmetic overflow / error  "
                  "converting|"}));
    EXPECT_TRUE(desk.notifier.notices.empty());
}

// Locked, busy or gone: every later line would fail the same way, so the run ends at this one.
TEST_F(RowLoopTest, AnUnavailableDatabaseStopsTheRunAtTheLineWithOneEntryAndOneNotice) {
    const Error locked{5, "database is locked", ErrorKind::Unavailable};
    const std::string stop = "账套数据库被占用或连接已断开，调整已停止：database is locked";
    for (const char* where : {"check query", "update"}) {
        SCOPED_TRACE(where);
        engine->queries.clear();
        engine->runs.clear();
        desk.display.rows.clear();
        desk.notifier.notices.clear();
        const bool atCheck = std::string(where) == "check query";
        engine->answerQuery = [&](const std::string& sql, Error* error) -> RecordsetPtr {
            if (atCheck && sql.find("te.FEntryID=2") != std::string::npos) {
                *error = locked;
                return nullptr;
            }
            return Sheet({}, false);
        };
        engine->answerRun = [&](const std::vector<AtomicBatch>& batches) {
            if (!atCheck && batches[0].sql.find("te.FEntryID=2") != std::string::npos) {
                return AtomicOutcome{locked};
            }
            return AtomicOutcome{};
        };
        ConversionOutcome s = Run(DocumentKind::SalesOrder,
                                  Sheet({{"XS1", 17, 1, 1}, {"XS2", 17, 1, 2}, {"XS3", 17, 1, 3}}));
        EXPECT_TRUE(s.stopped());
        EXPECT_EQ(s.progress, RunProgress::StoppedByDatabase);
        EXPECT_EQ(s.converted, 1);
        EXPECT_EQ(engine->runs.size(), atCheck ? 1u : 2u);
        EXPECT_EQ(desk.display.rows, std::vector<std::string>{"XS2 分录:2|" + stop + "|"});
        EXPECT_EQ(desk.notifier.notices, std::vector<std::string>{stop});
    }
}

// One query per thousand lines, never one per line; lines no longer candidates are listed,
// ids that match no line are counted, lines already at another rate go on as before.
TEST_F(RowLoopTest, LinesAreLookedUpAThousandAtATimeBeforeTheyAreConverted) {
    engine->answerCandidacy = [](const std::string& sql, Error*) {
        RecordsetPtr all = EveryLineACandidate(sql);
        std::vector<Recordset::Row> rows;
        for (Recordset::Row row : all->Rows()) {
            const int64_t entry = row[1].AsInteger();
            if (entry == 2) continue;                                            // no such line
            if (entry == 3) row = {row[0], row[1], Value(17.0), Value(0)};       // invoiced since
            if (entry == 4) row = {row[0], row[1], Value("16.0000"), Value(0)};  // converted
            rows.push_back(row);
        }
        return std::make_shared<Recordset>(all->FieldNames(), rows);
    };
    std::vector<SheetRow> sheet;
    for (int i = 1; i <= 1001; ++i) sheet.push_back({"CG", 17, 9, i});
    ConversionOutcome s = Run(DocumentKind::PurchaseOrder, Sheet(sheet));
    ASSERT_EQ(engine->candidacyQueries.size(), 2u);
    EXPECT_EQ(s.unmatched, 1);
    EXPECT_EQ(s.listed, 1);
    EXPECT_EQ(desk.display.rows,
              std::vector<std::string>{"CG 分录:3|" + std::string(kStaleLineReason) + "|"});
    EXPECT_EQ(engine->runs.size(), 999u);
    EXPECT_EQ(s.converted, 999);
}

TEST_F(RowLoopTest, ALineTheUpdateDidNotFindIsNeitherConvertedNorListed) {
    engine->answerRun = [](const std::vector<AtomicBatch>&) {
        AtomicOutcome outcome;
        outcome.unchanged = true;
        return outcome;
    };
    ConversionOutcome s = Run(DocumentKind::PurchaseOrder, Sheet({{"CG1", 17, 1, 1}}));
    EXPECT_EQ(s.converted, 0);
    EXPECT_EQ(s.listed, 0);
    EXPECT_EQ(s.unchanged, 1);
    EXPECT_FALSE(s.stopped());
}

TEST_F(RowLoopTest, TheRuleAndTheSwitchAreReadForEveryRow) {
    desk.state.adjustmentRule = AdjustmentRule::KeepTaxInclusivePrice;
    desk.state.discountIncludeTaxOn = true;
    Run(DocumentKind::SalesOrder, Sheet({{"XS1", 11, 1, 1}}));
    EXPECT_EQ(engine->runs[0][0].sql + "\r\n" + engine->runs[0][1].sql,
              GetSOUpdateSql(1, 1, StandardRateProfile().changes[1],
                             AdjustmentRule::KeepTaxInclusivePrice, true));
    EXPECT_EQ(engine->queries[0],
              GetSOCheckSql(OrderRowCondition(1, 1), StandardRateProfile().changes[1],
                            AdjustmentRule::KeepTaxInclusivePrice));
}

// The converters as the batch run calls them: path box and reader.
TEST_F(RowLoopTest, AnEmptyPathBoxDoesNothing) {
    desk.state.txtPOFile = "";
    const std::vector<ConversionOutcome> outcomes =
        ConvertPurchaseOrders(desk.context, desk.display);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].workbook, "");
    EXPECT_EQ(outcomes[0].rows, 0);
    EXPECT_TRUE(desk.log.lines.empty());
    EXPECT_TRUE(desk.notifier.notices.empty());
}

TEST_F(RowLoopTest, OnlyThePurchaseOrderLoopMarksTheReaderCallInTheLog) {
    desk.state.txtPOFile = "/nonexistent/po.xls";
    desk.state.txtSOFile = "/nonexistent/so.xls";
    desk.state.txtHTYFFile = " ";  // blanks are a path, not an empty box
    ConvertPurchaseOrders(desk.context, desk.display);
    EXPECT_EQ(desk.log.lines, (std::vector<std::string>{"1", "2"}));
    ConvertSalesOrders(desk.context, desk.display);
    ConvertPayableContracts(desk.context, desk.display);
    EXPECT_EQ(desk.log.lines, (std::vector<std::string>{"1", "2"}));
    // The reader told of each missing file.
    EXPECT_EQ(desk.notifier.notices.size(), 3u);
    EXPECT_EQ(desk.state.currentRecordset, nullptr);
}

TEST_F(RowLoopTest, EveryWorkbookOfABoxIsReadInItsTurnEvenAfterOneThatCannotBe) {
    desk.state.txtPOFile = "/nonexistent/po.xls;\"/nonexistent/a;b.xls\";/nonexistent/po2.xls";
    const std::vector<ConversionOutcome> outcomes =
        ConvertPurchaseOrders(desk.context, desk.display);
    ASSERT_EQ(outcomes.size(), 3u);
    // Each read is marked as the only workbook's read is.
    EXPECT_EQ(desk.log.lines, (std::vector<std::string>{"1", "2", "1", "2", "1", "2"}));
    ASSERT_EQ(desk.notifier.notices.size(), 3u);
    const char* named[] = {"/nonexistent/po.xls", "/nonexistent/a;b.xls", "/nonexistent/po2.xls"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(outcomes[i].workbook, named[i]);
        EXPECT_TRUE(outcomes[i].stopped());
        EXPECT_NE(desk.notifier.notices[i].find(named[i]), std::string::npos)
            << desk.notifier.notices[i];
    }
}

}  // namespace
}  // namespace q9
