#include "export/workbook_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <tuple>

#include "export/export_handlers.h"
#include "export/export_test_support.h"
#include "support/temp_folder.h"
#include "workbook/compound_file_writer.h"
#include "workbook/sheet_reader.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;
using test::ReadWithOpenpyxl;
using test::ReadWithXlrd;
using test::XlrdBook;
using test::XlrdSheet;

const std::vector<std::string> kHeadersAToK = {"单据编号", "客户名称", "物料代码", "物料名称",
                                               "数量",     "单价",     "含税单价", "税率",
                                               "税额",     "金额",     "价税合计"};
const std::vector<std::string> kFieldsByColumn = {
    "FBillNo",    "FSupplyName",  "FItemNumber", "FItemName",  "FAuxQty",
    "FAuxPrice",  "FAuxTaxPrice", "FTaxRate",    "FTaxAmount", "FAmount",
    "FAllAmount", "FCommitAmt",   "FInterID",    "FEntryID"};

// What a spreadsheet makes of a number typed at 15 significant digits.
double AsTyped(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return std::strtod(text, nullptr);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> FileNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every cell of the sheet against rows [first, first + count) of the source.
void ExpectCandidateSheet(const XlrdSheet& sheet, const Recordset& source, int first, int count,
                          const std::string& kindText, const std::string& commitHeader) {
    ASSERT_EQ(sheet.name, kindText);
    ASSERT_EQ(sheet.rows, count + 1);
    ASSERT_EQ(sheet.columns, 14);
    for (size_t c = 0; c < kHeadersAToK.size(); ++c) {
        EXPECT_EQ(sheet.cells.at({0, static_cast<int>(c)}).text, kHeadersAToK[c]);
    }
    EXPECT_EQ(sheet.cells.at({0, 11}).text, commitHeader);
    EXPECT_EQ(sheet.cells.at({0, 12}).text, "单据内码");
    EXPECT_EQ(sheet.cells.at({0, 13}).text, "单据分录");

    size_t expectedCells = 14;
    for (int r = 0; r < count; ++r) {
        const Recordset::Row& row = source.Rows()[static_cast<size_t>(first + r)];
        for (int c = 0; c < 14; ++c) {
            const Value& value = row[static_cast<size_t>(source.FieldIndex(kFieldsByColumn[c]))];
            const auto found = sheet.cells.find({r + 1, c});
            if (value.IsNull()) {
                EXPECT_EQ(found, sheet.cells.end()) << "row " << r + 1 << " column " << c;
                continue;
            }
            ++expectedCells;
            ASSERT_NE(found, sheet.cells.end()) << "row " << r + 1 << " column " << c;
            if (value.IsText()) {
                ASSERT_EQ(found->second.type, 's') << "row " << r + 1 << " column " << c;
                ASSERT_EQ(found->second.text, value.AsText());
            } else {
                const bool textColumn = c >= 4 && c <= 11;
                ASSERT_EQ(found->second.type, 'n') << "row " << r + 1 << " column " << c;
                ASSERT_EQ(found->second.number,
                          textColumn ? AsTyped(value.NumberAsDouble()) : value.NumberAsDouble())
                    << "row " << r + 1 << " column " << c;
            }
        }
    }
    EXPECT_EQ(sheet.cells.size(), expectedCells);
}

// `count` candidate rows with the value of `field` in row `row` (from 0) made null.
RecordsetPtr CandidatesWithNull(int count, size_t row, const std::string& field) {
    RecordsetPtr source = test::MakeCandidateRows(count);
    std::vector<Recordset::Row> rows = source->Rows();
    rows[row][static_cast<size_t>(source->FieldIndex(field))] = Value::Null();
    return std::make_shared<Recordset>(source->FieldNames(), rows);
}

class WorkbookExportTest : public ::testing::Test {
  protected:
    bool Export(int rowCount, const std::string& kindText = "采购订单") {
        harness_.state.currentRecordset = test::MakeCandidateRows(rowCount);
        return WriteToExcel(harness_.context, folder_.FolderText(), "po.xls", kindText).written();
    }
    void ExpectWorkbook(const std::string& name, int first, int count) {
        SCOPED_TRACE(name);
        const XlrdBook book = ReadWithXlrd(folder_.path() / name);
        ASSERT_EQ(book.sheets.size(), 1u);
        ExpectCandidateSheet(book.sheets[0], *harness_.state.currentRecordset, first, count,
                             "采购订单", "关联金额");
    }
    std::vector<std::string>& Notices() { return harness_.notifier.notices; }
    std::vector<MessageBoxRequest>& Boxes() { return harness_.prompter.boxes; }

    testing::TempFolder folder_{"q9-export"};
    test::ExportHarness harness_;
};

TEST_F(WorkbookExportTest, OneRowGivesOneWorkbookEveryCellAsWritten) {
    ASSERT_TRUE(Export(1));
    EXPECT_EQ(FileNames(folder_.path()), std::vector<std::string>{"po.xls"});
    ExpectWorkbook("po.xls", 0, 1);
    EXPECT_EQ(Notices(), std::vector<std::string>{"引出成功"});
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(harness_.state.currentRecordset->Eof());
}

TEST_F(WorkbookExportTest, FullWorkbookOf16300RowsStaysOne) {
    ASSERT_TRUE(Export(16300));
    EXPECT_EQ(FileNames(folder_.path()), std::vector<std::string>{"po.xls"});
    ExpectWorkbook("po.xls", 0, 16300);
    EXPECT_EQ(Notices(), std::vector<std::string>{"引出成功"});
}

TEST_F(WorkbookExportTest, RowsBeyond16300GoToNumberedWorkbooksEachWithHeaders) {
    ASSERT_TRUE(Export(16301));
    EXPECT_EQ(FileNames(folder_.path()), (std::vector<std::string>{"po.xls", "po1.xls"}));
    ExpectWorkbook("po.xls", 0, 16300);
    ExpectWorkbook("po1.xls", 16300, 1);
    EXPECT_EQ(Notices(),
              std::vector<std::string>{"引出文件：" + folder_.FolderText() +
                                       " po.xls,po1.xls；可粘贴到路径框：" + folder_.FolderText() +
                                       "po.xls;" + folder_.FolderText() + "po1.xls"});
}

TEST_F(WorkbookExportTest, ThreeWorkbooksFor32601Rows) {
    ASSERT_TRUE(Export(32601));
    EXPECT_EQ(FileNames(folder_.path()),
              (std::vector<std::string>{"po.xls", "po1.xls", "po2.xls"}));
    ExpectWorkbook("po1.xls", 16300, 16300);
    ExpectWorkbook("po2.xls", 32600, 1);
    const std::string f = folder_.FolderText();
    EXPECT_EQ(Notices(), std::vector<std::string>{"引出文件：" + f +
                                                  " po.xls,po1.xls,po2.xls；可粘贴到路径框：" + f +
                                                  "po.xls;" + f + "po1.xls;" + f + "po2.xls"});
}

TEST_F(WorkbookExportTest, ColumnLIsNamedAfterTheKind) {
    const std::vector<std::pair<std::string, std::string>> kinds = {
        {"销售订单", "关联金额"}, {"应付合同", "付款关联金额"}, {"应收合同", "收款关联金额"}};
    for (const auto& [kind, header] : kinds) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(Export(2, kind));
        const XlrdBook book = ReadWithXlrd(folder_.path() / "po.xls");
        ASSERT_EQ(book.sheets.size(), 1u);
        ExpectCandidateSheet(book.sheets[0], *harness_.state.currentRecordset, 0, 2, kind, header);
    }
}

TEST_F(WorkbookExportTest, TextColumnsHoldNumbersAsTypedValueColumnsKeepTheirType) {
    RecordsetPtr rows = test::MakeCandidateRows(1);
    Recordset::Row row = rows->Rows()[0];
    auto set = [&](const char* field, Value value) {
        row[static_cast<size_t>(rows->FieldIndex(field))] = std::move(value);
    };
    set("FBillNo", "000123");    // value column: text stays text, zeros and all
    set("FItemNumber", "");      // empty text: empty cell
    set("FInterID", 0.1 + 0.2);  // value column: the double itself
    set("FAuxQty", "  12.50 ");  // text column: numeric text becomes a number
    set("FAuxPrice", "约12元");  // text column: other text stays text
    set("FTaxRate", "17");
    set("FTaxAmount", 0.1 + 0.2);  // text column: the 15-digit text form, 0.3
    set("FAmount", "");            // text column: empty text, empty cell
    harness_.state.currentRecordset =
        std::make_shared<Recordset>(rows->FieldNames(), std::vector<Recordset::Row>{row});
    ASSERT_TRUE(
        WriteToExcel(harness_.context, folder_.FolderText(), "po.xls", "采购订单").written());

    const XlrdBook book = ReadWithXlrd(folder_.path() / "po.xls");
    const auto& cells = book.sheets.at(0).cells;
    EXPECT_EQ(cells.at({1, 0}).text, "000123");
    EXPECT_EQ(cells.count({1, 2}), 0u);
    EXPECT_EQ(cells.at({1, 12}).number, 0.1 + 0.2);
    EXPECT_EQ(cells.at({1, 4}).type, 'n');
    EXPECT_EQ(cells.at({1, 4}).number, 12.5);
    EXPECT_EQ(cells.at({1, 5}).text, "约12元");
    EXPECT_EQ(cells.at({1, 7}).number, 17);
    EXPECT_EQ(cells.at({1, 8}).number, 0.3);
    EXPECT_EQ(cells.count({1, 9}), 0u);
}

TEST_F(WorkbookExportTest, ExistingFileAnsweredNoStaysUntouched) {
    std::ofstream(folder_.path() / "po.xls") << "the operator's own workbook";
    harness_.prompter.answers = {MessageAnswer::No};
    EXPECT_FALSE(Export(3));
    EXPECT_EQ(ReadFile(folder_.path() / "po.xls"), "the operator's own workbook");
    EXPECT_EQ(FileNames(folder_.path()), std::vector<std::string>{"po.xls"});
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "文件已存在，是否覆盖？");
    EXPECT_EQ(Boxes()[0].title, "系统提示");
    EXPECT_EQ(Boxes()[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(Boxes()[0].icon, MessageIcon::None);
    EXPECT_EQ(Boxes()[0].defaultAnswer, MessageAnswer::Yes);
    EXPECT_TRUE(Notices().empty());
}

TEST_F(WorkbookExportTest, ExistingFileAnsweredYesIsReplacedAndFurtherOnesWithoutAsking) {
    std::ofstream(folder_.path() / "po.xls") << "old";
    std::ofstream(folder_.path() / "po1.xls") << "old";
    harness_.prompter.answers = {MessageAnswer::Yes};
    ASSERT_TRUE(Export(16301));
    EXPECT_EQ(Boxes().size(), 1u);
    ExpectWorkbook("po1.xls", 16300, 1);
    EXPECT_EQ(ReadWithXlrd(folder_.path() / "po.xls").sheets.at(0).rows, 16301);
    EXPECT_EQ(FileNames(folder_.path()), (std::vector<std::string>{"po.xls", "po1.xls"}));
}

TEST_F(WorkbookExportTest, TargetThatCannotBeReplacedIsReportedAsOccupied) {
    // A folder in the workbook's place cannot be replaced by a file, not even by root.
    fs::create_directory(folder_.path() / "po.xls");
    EXPECT_FALSE(Export(2));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "[" + folder_.FolderText() + "po.xls]文件被占用");
    EXPECT_EQ(Boxes()[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(Boxes()[0].title, "");
    EXPECT_TRUE(Notices().empty());
    EXPECT_TRUE(fs::is_directory(folder_.path() / "po.xls"));
    EXPECT_EQ(FileNames(folder_.path()), std::vector<std::string>{"po.xls"});
}

TEST_F(WorkbookExportTest, FolderThatRefusesNewFilesNamesTheWorkbookBeingWritten) {
    // The second workbook's name is taken by an immutable file: the first stays written.
    std::ofstream(folder_.path() / "po1.xls") << "locked";
    if (std::system(
            ("chattr +i '" + (folder_.path() / "po1.xls").string() + "' 2>/dev/null").c_str()) !=
        0) {
        GTEST_SKIP() << "chattr +i is not available here";
    }
    const bool written = Export(16301);
    std::system(("chattr -i '" + (folder_.path() / "po1.xls").string() + "'").c_str());
    EXPECT_FALSE(written);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "[" + folder_.FolderText() + "po1.xls]文件被占用");
    EXPECT_EQ(ReadFile(folder_.path() / "po1.xls"), "locked");
    EXPECT_EQ(ReadWithXlrd(folder_.path() / "po.xls").sheets.at(0).rows, 16301);
    EXPECT_EQ(FileNames(folder_.path()), (std::vector<std::string>{"po.xls", "po1.xls"}));
    EXPECT_TRUE(Notices().empty());
}

TEST_F(WorkbookExportTest, SystemFolderRefusesEvenRoot) {
    harness_.state.currentRecordset = test::MakeCandidateRows(1);
    EXPECT_FALSE(WriteToExcel(harness_.context, "/sys/", "po.xls", "采购订单").written());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "[/sys/po.xls]文件被占用");
}

TEST_F(WorkbookExportTest, MissingFolderIsReportedByItsDescription) {
    harness_.state.currentRecordset = test::MakeCandidateRows(1);
    EXPECT_FALSE(
        WriteToExcel(harness_.context, folder_.FolderText() + "nope/", "po.xls", "采购订单")
            .written());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "[" + folder_.FolderText() + "nope/po.xls]路径不存在");
}

TEST_F(WorkbookExportTest, NullAmountFailsTheWorkbookItIsInAndLeavesNoPartialFile) {
    harness_.state.currentRecordset = CandidatesWithNull(16305, 16302, "FAmount");
    const ExportOutcome outcome =
        WriteToExcel(harness_.context, folder_.FolderText(), "po.xls", "采购订单");
    EXPECT_EQ(outcome.result, ExportResult::WriteFailed);
    EXPECT_EQ(outcome.files, std::vector<std::string>{folder_.FolderText() + "po.xls"});
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(outcome.failure->where.file, folder_.FolderText() + "po1.xls");

    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "[" + folder_.FolderText() + "po1.xls]采购订单 第4行 J列：值为空");
    EXPECT_TRUE(Notices().empty());
    // The first workbook was complete and stays; of the second nothing is left, not even a
    // temporary file.
    EXPECT_EQ(FileNames(folder_.path()), std::vector<std::string>{"po.xls"});
    EXPECT_EQ(harness_.state.currentRecordset->AbsolutePosition(), 16303);
}

TEST_F(WorkbookExportTest, NullInTheOnlyWorkbookLeavesTheOldFileInPlace) {
    std::ofstream(folder_.path() / "po.xls") << "old";
    harness_.state.currentRecordset = CandidatesWithNull(2, 1, "FTaxRate");
    EXPECT_FALSE(
        WriteToExcel(harness_.context, folder_.FolderText(), "po.xls", "采购订单").written());
    EXPECT_EQ(Boxes().back().text,
              "[" + folder_.FolderText() + "po.xls]采购订单 第3行 H列：值为空");
    EXPECT_EQ(ReadFile(folder_.path() / "po.xls"), "old");
    EXPECT_EQ(FileNames(folder_.path()), std::vector<std::string>{"po.xls"});
}

// An .xlsx name gets .xlsx workbooks: the sheet, headers, cell types and split of the Excel
// 5.0/95 export, as openpyxl reads them, and the same records for the tool's own reader.
TEST_F(WorkbookExportTest, XlsxNameGivesXlsxWorkbooksWithTheRowsOfTheXlsExport) {
    harness_.state.currentRecordset = test::MakeCandidateRows(16301);
    ASSERT_TRUE(
        WriteToExcel(harness_.context, folder_.FolderText(), "po.xlsx", "采购订单").written());
    harness_.state.currentRecordset->MoveFirst();
    ASSERT_TRUE(
        WriteToExcel(harness_.context, folder_.FolderText(), "po.xls", "采购订单").written());
    EXPECT_EQ(FileNames(folder_.path()),
              (std::vector<std::string>{"po.xls", "po.xlsx", "po1.xls", "po1.xlsx"}));
    EXPECT_EQ(Notices(),
              (std::vector<std::string>{
                  "引出文件：" + folder_.FolderText() + " po.xlsx,po1.xlsx；可粘贴到路径框：" +
                      folder_.FolderText() + "po.xlsx;" + folder_.FolderText() + "po1.xlsx",
                  "引出文件：" + folder_.FolderText() + " po.xls,po1.xls；可粘贴到路径框：" +
                      folder_.FolderText() + "po.xls;" + folder_.FolderText() + "po1.xls"}));
    EXPECT_TRUE(Boxes().empty());

    const std::vector<std::tuple<std::string, std::string, int, int>> workbooks = {
        {"po.xlsx", "po.xls", 0, 16300}, {"po1.xlsx", "po1.xls", 16300, 1}};
    for (const auto& [xlsx, xls, first, count] : workbooks) {
        SCOPED_TRACE(xlsx);
        const XlrdBook book = ReadWithOpenpyxl(folder_.path() / xlsx);
        ASSERT_EQ(book.sheets.size(), 1u);
        ExpectCandidateSheet(book.sheets[0], *harness_.state.currentRecordset, first, count,
                             "采购订单", "关联金额");
        const RecordsetPtr ours = q9::ReadSheet((folder_.path() / xlsx).string(), "采购订单");
        const RecordsetPtr asXls = q9::ReadSheet((folder_.path() / xls).string(), "采购订单");
        EXPECT_EQ(ours->FieldNames(), asXls->FieldNames());
        EXPECT_TRUE(ours->Rows() == asXls->Rows());
    }
}

TEST(ExportFormatOf, OnlyANameEndingInXlsxGetsXlsxAndItsOwnFurtherNames) {
    struct Case {
        const char* name;
        WorkbookFileFormat format;
        const char* further;
    };
    const Case cases[] = {
        {"po.xls", WorkbookFileFormat::Excel95, "po1.xls"},
        {"po.xlsx", WorkbookFileFormat::Xlsx, "po1.xlsx"},
        {"采购订单.XLSX", WorkbookFileFormat::Xlsx, "采购订单1.xlsx"},
        {".xlsx", WorkbookFileFormat::Xlsx, "1.xlsx"},
        {"po.xlsx.bak", WorkbookFileFormat::Excel95, "po.xlsx1.xls"},
        {"po.csv", WorkbookFileFormat::Excel95, "po1.xls"},
        {"po", WorkbookFileFormat::Excel95, "po1.xls"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExportFormatOf(c.name), c.format);
        EXPECT_EQ(FurtherWorkbookName(c.name, 1), c.further);
    }
}

TEST(FurtherWorkbookName, DropsTheLastFourCharactersOfTheChosenName) {
    EXPECT_EQ(FurtherWorkbookName("po.xls", 1), "po1.xls");
    EXPECT_EQ(FurtherWorkbookName("po.xls", 12), "po12.xls");
    EXPECT_EQ(FurtherWorkbookName("采购订单.xls", 2), "采购订单2.xls");
    EXPECT_EQ(FurtherWorkbookName("引出采购订单", 1), "引出1.xls");  // characters, not bytes
    EXPECT_EQ(WorkbookCount(16300), 1);
    EXPECT_EQ(WorkbookCount(16301), 2);
    EXPECT_EQ(WorkbookCount(32601), 3);
}

}  // namespace
}  // namespace q9

namespace q9 {
namespace {

// What the batch run reads back: the tool's own reader finds the sheet by the kind text and the
// converters' columns F1, F8, F13 and F14 where they expect them.
TEST_F(WorkbookExportTest, TheToolsOwnReaderFindsWhatTheConvertersUse) {
    ASSERT_TRUE(Export(16301, "应付合同"));
    const Recordset& source = *harness_.state.currentRecordset;
    const RecordsetPtr first = q9::ReadSheet((folder_.path() / "po.xls").string(), "应付合同");
    const RecordsetPtr second = q9::ReadSheet((folder_.path() / "po1.xls").string(), "应付合同");
    ASSERT_EQ(first->RecordCount(), 16301);
    ASSERT_EQ(second->RecordCount(), 2);
    EXPECT_EQ(ToText(first->Field("F12")), "付款关联金额");
    auto expectRow = [&](Recordset& read, int sourceRow) {
        const Recordset::Row& row = source.Rows()[static_cast<size_t>(sourceRow)];
        auto field = [&](const char* name) {
            return ToText(row[static_cast<size_t>(source.FieldIndex(name))]);
        };
        EXPECT_EQ(ToText(read.Field("F1")), field("FBillNo"));
        EXPECT_EQ(ToText(read.Field("F8")), field("FTaxRate"));
        EXPECT_EQ(ToText(read.Field("F13")), field("FInterID"));
        EXPECT_EQ(ToText(read.Field("F14")), field("FEntryID"));
    };
    first->MoveNext();
    expectRow(*first, 0);
    for (int i = 1; i < 16300; ++i) first->MoveNext();
    expectRow(*first, 16299);
    second->MoveNext();
    expectRow(*second, 16300);
}

}  // namespace
}  // namespace q9

namespace q9 {
namespace {

// The value of field `name` in record `index` (0 = the title row).
Value At(Recordset& rs, int index, const std::string& name) {
    rs.MoveFirst();
    for (int i = 0; i < index; ++i) rs.MoveNext();
    return rs.Field(name);
}

TEST(RoundTripTest, OurOwnExportReadsBack) {
    std::vector<std::string> fields = {"FBillNo",    "FSupplyName", "FItemNumber",  "FItemName",
                                       "FAuxQty",    "FAuxPrice",   "FAuxTaxPrice", "FTaxRate",
                                       "FTaxAmount", "FAmount",     "FAllAmount",   "FCommitAmt",
                                       "FInterID",   "FEntryID"};
    std::vector<Recordset::Row> rows = {
        {Value("POORD000001"), Value("华东供应商"), Value("01.001"), Value("螺丝"), Value(10.0),
         Value(2.5), Value(2.925), Value(17.0), Value(4.25), Value(25.0), Value(29.25), Value(0.0),
         Value(int64_t{1001}), Value(int64_t{1})},
        {Value("POORD000002"), Value(), Value("02.001"), Value("Bolt"), Value(1.5), Value(100.0),
         Value(111.0), Value(11.0), Value(15.0), Value(150.0), Value(165.0), Value(50.0),
         Value(int64_t{1002}), Value(int64_t{2})}};
    Recordset candidates(fields, rows);
    const auto stream = BuildCandidateBookStream(candidates, "应付合同", 1, 1);
    const auto path = std::filesystem::temp_directory_path() / "q9-reader-roundtrip.xls";
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                             &std::fclose);
        ASSERT_TRUE(file);
        WriteCompoundFile(file.get(), "Book", stream);
    }

    RecordsetPtr rs = ReadSheet(path.string(), "应付合同");
    std::filesystem::remove(path);
    ASSERT_EQ(rs->RecordCount(), 3);
    ASSERT_EQ(rs->FieldCount(), 14u);
    EXPECT_EQ(At(*rs, 0, "F12"), Value("付款关联金额"));
    EXPECT_EQ(At(*rs, 1, "F1"), Value("POORD000001"));
    EXPECT_EQ(At(*rs, 1, "F7"), Value("2.925"));
    EXPECT_EQ(At(*rs, 1, "F8"), Value("17"));
    EXPECT_EQ(At(*rs, 1, "F13"), Value("1001"));
    EXPECT_EQ(At(*rs, 2, "F8"), Value("11"));
    EXPECT_TRUE(At(*rs, 2, "F2").IsNull());
    EXPECT_EQ(At(*rs, 2, "F14"), Value("2"));
}

}  // namespace
}  // namespace q9
