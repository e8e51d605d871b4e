// The export end to end on the embedded account: the candidate queries run on the demo
// documents and the workbooks hold exactly the rows they return.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "export/candidate_queries.h"
#include "export/export_handlers.h"
#include "export/export_test_support.h"
#include "export/workbook_export.h"
#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"
#include "jobs/export_candidates.h"
#include "support/temp_folder.h"

namespace q9 {
namespace {

const char* const kFieldsByColumn[] = {"FBillNo",    "FSupplyName", "FItemNumber",  "FItemName",
                                       "FAuxQty",    "FAuxPrice",   "FAuxTaxPrice", "FTaxRate",
                                       "FTaxAmount", "FAmount",     "FAllAmount",   "FCommitAmt",
                                       "FInterID",   "FEntryID"};

// What a spreadsheet makes of a number typed at 15 significant digits.
double AsTyped(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return std::strtod(text, nullptr);
}

class EmbeddedExportTest : public ::testing::TestWithParam<DocumentKind> {
  protected:
    void SetUp() override {
        DemoAccountOptions options;
        options.generatedEntries = 40;
        options.discountIncludeTaxOn = true;
        CreateDemoAccount((folder_.path() / "demo.db").string(), options);
        engine_ = OpenSqliteEngine((folder_.path() / "demo.db").string());
    }

    testing::TempFolder folder_{"q9-export"};
    std::shared_ptr<DatabaseEngine> engine_;
};

TEST_P(EmbeddedExportTest, WorkbookHoldsTheRowsOfTheKindsQuery) {
    const DocumentKind kind = GetParam();
    testing::CoreHarness<> harness(engine_);
    harness.state.cutoffDate = "2018-05-01";
    harness.state.discountIncludeTaxOn = true;
    harness.files.savePath = folder_.FolderText() + "out.xls";

    Error error;
    const RecordsetPtr expected =
        engine_->Query(CandidateQuery(kind, StandardRateProfile(), true), &error);
    ASSERT_TRUE(expected) << error.description;
    ASSERT_GT(expected->RecordCount(), 0) << "the demo account has no candidates of this kind";

    ASSERT_TRUE(ExportCandidates(harness.context, kind).written());
    EXPECT_EQ(harness.notifier.notices, std::vector<std::string>{"引出成功"});
    const test::XlrdBook book = test::ReadWithXlrd(folder_.path() / "out.xls");
    ASSERT_EQ(book.sheets.size(), 1u);
    const test::XlrdSheet& sheet = book.sheets[0];
    EXPECT_EQ(sheet.name, KindText(kind));
    ASSERT_EQ(sheet.rows, expected->RecordCount() + 1);

    int r = 1;
    for (const Recordset::Row& row : expected->Rows()) {
        for (int c = 0; c < 14; ++c) {
            const Value& value = row[static_cast<size_t>(expected->FieldIndex(kFieldsByColumn[c]))];
            const auto cell = sheet.cells.find({r, c});
            if (value.IsNull() || (value.IsText() && value.AsText().empty())) {
                EXPECT_EQ(cell, sheet.cells.end()) << "row " << r << " column " << c;
            } else if (value.IsText()) {
                ASSERT_NE(cell, sheet.cells.end()) << "row " << r << " column " << c;
                EXPECT_EQ(cell->second.text, value.AsText()) << "row " << r << " column " << c;
            } else {
                ASSERT_NE(cell, sheet.cells.end()) << "row " << r << " column " << c;
                const double number = value.NumberAsDouble();
                EXPECT_EQ(cell->second.number, c >= 4 && c <= 11 ? AsTyped(number) : number)
                    << "row " << r << " column " << c;
            }
        }
        ++r;
    }
}

TEST(EmbeddedExport, TheAccountDatabaseIsNeverWrittenOver) {
    testing::TempFolder folder("q9-export");
    const std::string account = folder.File("demo.db");
    CreateDemoAccount(account, {});
    std::shared_ptr<DatabaseEngine> engine = OpenSqliteEngine(account);
    std::filesystem::create_symlink(account, folder.File("demo1.xls"));
    const std::string accountBefore = testing::FileBytes(account);
    // 16301 rows make two workbooks, "demo.xls" and "demo1.xls": a link to the account.
    const auto twoWorkbooks = std::make_shared<Recordset>(
        std::vector<std::string>{"FBillNo"},
        std::vector<Recordset::Row>(kRowsPerWorkbook + 1, Recordset::Row{Value("CG")}));
    const struct {
        std::string chosen;  // the name given to the save dialog
        RecordsetPtr rows;   // none: the kind's candidates
        std::string refused;
    } cases[] = {
        {account, nullptr, account},
        {account + "-wal", nullptr, account + "-wal"},
        {account + "-journal", nullptr, account + "-journal"},
        {folder.File("demo.xls"), twoWorkbooks, folder.File("demo1.xls")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        testing::CoreHarness<> harness(engine);
        harness.state.cutoffDate = "2018-05-01";
        harness.state.switchesRead = true;
        harness.files.savePath = c.chosen;
        if (c.rows) {
            harness.state.currentRecordset = c.rows;
            EXPECT_EQ(WriteToExcel(harness.context, folder.FolderText(), "demo.xls",
                                   KindText(DocumentKind::PurchaseOrder))
                          .result,
                      ExportResult::WriteFailed);
        } else {
            EXPECT_EQ(ExportCandidates(harness.context, DocumentKind::PurchaseOrder).result,
                      ExportResult::WriteFailed);
        }
        ASSERT_EQ(harness.prompter.boxes.size(), 1u);
        EXPECT_EQ(harness.prompter.boxes[0].text, "不能写入账套数据库文件：" + c.refused);
        EXPECT_TRUE(harness.notifier.notices.empty());
        EXPECT_FALSE(std::filesystem::exists(folder.File("demo.xls")));
    }
    EXPECT_EQ(testing::FileBytes(account), accountBefore);
    Error error;
    EXPECT_TRUE(engine->Query("SELECT COUNT(*) AS n FROM POOrderEntry", &error))
        << error.description;
}

INSTANTIATE_TEST_SUITE_P(AllKinds, EmbeddedExportTest,
                         ::testing::Values(DocumentKind::PurchaseOrder, DocumentKind::SalesOrder,
                                           DocumentKind::PayableContract,
                                           DocumentKind::ReceivableContract));

}  // namespace
}  // namespace q9
