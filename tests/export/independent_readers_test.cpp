// Workbooks opened by the office suites an operator might use instead: LibreOffice and gnumeric.
// Slow (each start of LibreOffice costs seconds), hence their own executable labelled "slow".

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "export/export_handlers.h"
#include "export/export_test_support.h"
#include "support/temp_folder.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;
using Grid = std::vector<std::vector<std::string>>;

Grid ParseCsv(const std::string& text) {
    Grid grid;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field.push_back(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            row.push_back(std::move(field));
            field.clear();
            grid.push_back(std::move(row));
            row.clear();
        } else {
            field.push_back(c);
        }
    }
    if (!field.empty() || !row.empty()) {
        row.push_back(std::move(field));
        grid.push_back(std::move(row));
    }
    return grid;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string NumberText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// The sheet as an operator sees it: headers, then every field in column order.
Grid ExpectedGrid(const Recordset& rows) {
    const std::vector<std::string> fields = {
        "FBillNo",    "FSupplyName",  "FItemNumber", "FItemName",  "FAuxQty",
        "FAuxPrice",  "FAuxTaxPrice", "FTaxRate",    "FTaxAmount", "FAmount",
        "FAllAmount", "FCommitAmt",   "FInterID",    "FEntryID"};
    Grid grid = {{"单据编号", "客户名称", "物料代码", "物料名称", "数量", "单价", "含税单价",
                  "税率", "税额", "金额", "价税合计", "关联金额", "单据内码", "单据分录"}};
    for (const Recordset::Row& row : rows.Rows()) {
        std::vector<std::string> line;
        for (const std::string& field : fields) {
            const Value& value = row[static_cast<size_t>(rows.FieldIndex(field))];
            line.push_back(value.IsNull()   ? ""
                           : value.IsText() ? value.AsText()
                                            : NumberText(value.NumberAsDouble()));
        }
        grid.push_back(std::move(line));
    }
    return grid;
}

bool ParseWholeNumber(const std::string& text, double* number) {
    if (text.empty()) return false;
    char* end = nullptr;
    *number = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

// Texts equal, or numbers of equal value however many digits the reader printed.
void ExpectSameGrid(const Grid& actual, const Grid& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(actual[r].size(), expected[r].size()) << "row " << r;
        for (size_t c = 0; c < expected[r].size(); ++c) {
            double want = 0;
            double got = 0;
            if (ParseWholeNumber(expected[r][c], &want) && ParseWholeNumber(actual[r][c], &got)) {
                EXPECT_EQ(got, want) << "row " << r << " column " << c;
            } else {
                EXPECT_EQ(actual[r][c], expected[r][c]) << "row " << r << " column " << c;
            }
        }
    }
}

class IndependentReadersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        harness_.state.currentRecordset = test::MakeCandidateRows(12);
        ASSERT_TRUE(
            WriteToExcel(harness_.context, folder_.FolderText(), "po.xls", "采购订单").written());
        workbook_ = folder_.path() / "po.xls";
    }

    // The sheet 采购订单 of `workbook` as LibreOffice writes it to CSV, in folder `out`.
    fs::path LibreOfficeCsv(const fs::path& workbook, const std::string& out) {
        const fs::path outDir = folder_.path() / out;
        const fs::path profile = folder_.path() / "lo-profile";
        // A private profile: other LibreOffice runs on the machine must not share ours.
        test::RunCommand(
            "soffice -env:UserInstallation=file://" + profile.string() +
            " --headless --convert-to "
            "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' "
            "--outdir '" +
            outDir.string() + "' '" + workbook.string() + "' >/dev/null 2>&1");
        return outDir / (workbook.stem().string() + "-采购订单.csv");
    }

    testing::TempFolder folder_{"q9-export"};
    test::ExportHarness harness_;
    fs::path workbook_;
};

TEST_F(IndependentReadersTest, LibreOfficeReadsEveryCellAndTheSheetName) {
    const fs::path csv = LibreOfficeCsv(workbook_, "lo");
    ASSERT_TRUE(fs::exists(csv)) << "no sheet named 采购订单";
    ExpectSameGrid(ParseCsv(ReadFile(csv)), ExpectedGrid(*harness_.state.currentRecordset));
}

// The same rows exported under an .xlsx name: LibreOffice sees the grid of the .xls export.
TEST_F(IndependentReadersTest, LibreOfficeReadsTheXlsxExportAsTheXls) {
    harness_.state.currentRecordset->MoveFirst();
    ASSERT_TRUE(
        WriteToExcel(harness_.context, folder_.FolderText(), "po.xlsx", "采购订单").written());
    const fs::path xlsx = LibreOfficeCsv(folder_.path() / "po.xlsx", "lo-xlsx");
    const fs::path xls = LibreOfficeCsv(workbook_, "lo-xls");
    ASSERT_TRUE(fs::exists(xlsx)) << "no sheet named 采购订单";
    ASSERT_TRUE(fs::exists(xls));
    const Grid grid = ParseCsv(ReadFile(xlsx));
    EXPECT_EQ(grid, ParseCsv(ReadFile(xls)));
    ExpectSameGrid(grid, ExpectedGrid(*harness_.state.currentRecordset));
}

TEST_F(IndependentReadersTest, GnumericReadsEveryCellAndTheSheetName) {
    const fs::path out = folder_.path() / "gnumeric-%s.csv";
    test::RunCommand("ssconvert -S --export-type=Gnumeric_stf:stf_csv '" + workbook_.string() +
                     "' '" + out.string() + "' >/dev/null 2>&1");
    const fs::path csv = folder_.path() / "gnumeric-采购订单.csv";
    ASSERT_TRUE(fs::exists(csv)) << "no sheet named 采购订单";
    ExpectSameGrid(ParseCsv(ReadFile(csv)), ExpectedGrid(*harness_.state.currentRecordset));
}

}  // namespace
}  // namespace q9
