// The export end to end on the embedded account: the candidate queries run on the demo
// documents and the workbooks hold exactly the rows they return.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "export/export_handlers.h"
#include "export/export_test_support.h"
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
    const RecordsetPtr expected = engine_->Query(CandidateQuery(kind, "2018-05-01", true), &error);
    ASSERT_TRUE(expected) << error.description;
    ASSERT_GT(expected->RecordCount(), 0) << "the demo account has no candidates of this kind";

    ASSERT_TRUE(ExportCandidates(harness.context, kind));
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

INSTANTIATE_TEST_SUITE_P(AllKinds, EmbeddedExportTest,
                         ::testing::Values(DocumentKind::PurchaseOrder, DocumentKind::SalesOrder,
                                           DocumentKind::PayableContract,
                                           DocumentKind::ReceivableContract));

}  // namespace
}  // namespace q9
