#include "jobs/export_candidates.h"

#include <gtest/gtest.h>

#include "export/candidate_queries.h"
#include "export/export_handlers.h"
#include "export/export_test_support.h"
#include "support/temp_folder.h"

namespace q9 {
namespace {

class ExportCandidatesTest : public ::testing::Test {
  protected:
    ExportResult Click(DocumentKind kind) {
        last_ = ExportCandidates(harness_.context, kind);
        EXPECT_EQ(last_.kind, kind);
        return last_.result;
    }
    std::vector<std::string>& Notices() { return harness_.notifier.notices; }

    testing::TempFolder folder_{"q9-export"};
    test::ExportHarness harness_;
    ExportOutcome last_;
};

TEST_F(ExportCandidatesTest, WholeBillDiscountRefusesOrdersOnlyBeforeAnyQuery) {
    harness_.state.billDiscountOn = true;
    harness_.engine->rows = test::MakeCandidateRows(2);
    harness_.files.savePath = folder_.FolderText() + "c.xls";

    EXPECT_EQ(Click(DocumentKind::PurchaseOrder), ExportResult::WholeBillDiscount);
    EXPECT_EQ(Click(DocumentKind::SalesOrder), ExportResult::WholeBillDiscount);
    EXPECT_EQ(Notices(),
              (std::vector<std::string>{"系统启用整单折扣，本工具不支持修改采购订单业务。",
                                        "系统启用整单折扣，本工具不支持修改销售订单业务。"}));
    EXPECT_TRUE(harness_.engine->queries.empty());
    EXPECT_EQ(harness_.files.saveCalls, 0);

    EXPECT_EQ(Click(DocumentKind::PayableContract), ExportResult::Written);
    EXPECT_EQ(Click(DocumentKind::ReceivableContract), ExportResult::Written);
    EXPECT_EQ(harness_.files.saveCalls, 2);
}

TEST_F(ExportCandidatesTest, FailedQueryIsReportedWithTheDatabaseMessageAndNoDialog) {
    harness_.state.currentRecordset = test::MakeCandidateRows(1);  // from an earlier export
    harness_.engine->failure = Error{error_number::kDatabase, "no such table: POOrder"};
    EXPECT_EQ(Click(DocumentKind::PurchaseOrder), ExportResult::QueryFailed);
    ASSERT_TRUE(last_.failure);
    EXPECT_EQ(last_.failure->error.description, "no such table: POOrder");
    EXPECT_EQ(Notices(), std::vector<std::string>{"查询候选数据失败：no such table: POOrder"});
    EXPECT_EQ(harness_.files.saveCalls, 0);
    EXPECT_EQ(harness_.state.currentRecordset, nullptr);
}

TEST_F(ExportCandidatesTest, NoCandidatesNeverOpensTheSaveDialog) {
    harness_.engine->rows = test::MakeCandidateRows(0);
    EXPECT_EQ(Click(DocumentKind::SalesOrder), ExportResult::NoCandidates);
    EXPECT_EQ(Notices(), std::vector<std::string>{"没有符合条件的数据，不需要引出"});
    EXPECT_EQ(harness_.files.saveCalls, 0);
}

TEST_F(ExportCandidatesTest, CancelledOrFolderlessSaveEndsSilently) {
    harness_.engine->rows = test::MakeCandidateRows(3);
    harness_.files.savePath = "";
    EXPECT_EQ(Click(DocumentKind::PurchaseOrder), ExportResult::NoFileChosen);
    harness_.files.savePath = "po.xls";
    EXPECT_EQ(Click(DocumentKind::PurchaseOrder), ExportResult::NoFileChosen);
    EXPECT_EQ(harness_.files.saveCalls, 2);
    EXPECT_TRUE(Notices().empty());
    EXPECT_TRUE(harness_.prompter.boxes.empty());
}

TEST_F(ExportCandidatesTest, RunsTheKindsQueryAndWritesTheSheetNamedAfterTheKind) {
    harness_.state.discountIncludeTaxOn = true;
    harness_.engine->rows = test::MakeCandidateRows(3);
    harness_.files.savePath = folder_.FolderText() + "应收.xls";
    ASSERT_EQ(Click(DocumentKind::ReceivableContract), ExportResult::Written);
    EXPECT_EQ(last_.lines, 3);
    EXPECT_EQ(last_.files, std::vector<std::string>{folder_.FolderText() + "应收.xls"});

    EXPECT_EQ(harness_.engine->queries,
              std::vector<std::string>{
                  CandidateQuery(DocumentKind::ReceivableContract, StandardRateProfile(), true)});
    EXPECT_EQ(harness_.state.currentRecordset, harness_.engine->rows);
    EXPECT_EQ(Notices(), std::vector<std::string>{"引出成功"});
    const test::XlrdBook book = test::ReadWithXlrd(folder_.path() / "应收.xls");
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0].name, "应收合同");
    EXPECT_EQ(book.sheets[0].rows, 4);
    EXPECT_EQ(book.sheets[0].cells.at({0, 11}).text, "收款关联金额");
}

}  // namespace
}  // namespace q9
