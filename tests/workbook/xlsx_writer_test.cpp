#include "workbook/xlsx_writer.h"

#include <gtest/gtest.h>

#include "host/error.h"
#include "support/independent_readers.h"
#include "support/temp_folder.h"
#include "workbook/sheet_reader.h"
#include "workbook/workbook_file.h"
#include "workbook/xlsx_text.h"

namespace q9 {
namespace {

TEST(XlsxText, EscapesWhatXmlCannotCarryAndReadsItBack) {
    struct Case {
        std::string text;
        std::string escaped;
    };
    const std::vector<Case> cases = {
        {"采购 A1", "采购 A1"},
        {"line\r\nnext\ttab", "line_x000D_\nnext\ttab"},
        {std::string("nul\0bell\a", 9), "nul_x0000_bell_x0007_"},
        {"_x0041_ stays text", "_x005F_x0041_ stays text"},
        {"_x41_ and _xZZZZ_ are no escapes", "_x41_ and _xZZZZ_ are no escapes"},
        {"😀价", "😀价"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.escaped);
        EXPECT_EQ(EscapeXlsxText(c.text, 100), c.escaped);
        EXPECT_EQ(UnescapeXlsxText(c.escaped), c.text);
    }
    // Markup characters are references, which the XML parser resolves before any escape is read.
    EXPECT_EQ(EscapeXlsxText("a&b<c>\"d'", 100), "a&amp;b&lt;c&gt;\"d'");
    // Cut on a character boundary, a character outside the basic plane counting twice; a
    // malformed byte is no character of XML.
    EXPECT_EQ(EscapeXlsxText("ab😀c", 3), "ab");
    EXPECT_EQ(EscapeXlsxText("ab😀c", 4), "ab😀");
    EXPECT_EQ(EscapeXlsxText("a\xFF"
                             "b",
                             10),
              "a?b");
    // Lower-case digits and the two halves of a character given one by one.
    EXPECT_EQ(UnescapeXlsxText("caf_x00e9_ _xD83D__xDE00_"), "café 😀");
}

TEST(XlsxWorkbookBuilder, CellsComeInOrderInsideTheSheet) {
    XlsxWorkbookBuilder book("采购订单");
    book.AddLabel(1, 2, "x");
    EXPECT_THROW(book.AddNumber(1, 2, 1.0), HostError);
    EXPECT_THROW(book.AddNumber(0, 5, 1.0), HostError);
    EXPECT_THROW(book.AddNumber(XlsxWorkbookBuilder::kMaxRows, 0, 1.0), HostError);
    EXPECT_THROW(book.AddLabel(2, XlsxWorkbookBuilder::kMaxColumns, "x"), HostError);
    EXPECT_NO_THROW(book.AddNumber(1, 3, 1.0));
}

// Odd texts and numbers as openpyxl and the tool's own reader find them.
TEST(XlsxWorkbookBuilder, IndependentReaderAndOursSeeTheSameCells) {
    XlsxWorkbookBuilder book("采购订单");
    book.AddLabel(0, 0, "单据编号");
    book.AddNumber(0, 1, -1234.5678);
    book.AddLabel(0, 2, "  blanks kept  ");
    book.AddLabel(1, 0, "单据编号");  // shared with A1
    book.AddLabel(1, 1, "a&b<c> _x0041_ \r\n");
    book.AddNumber(1, 2, 1e20);
    book.AddNumber(1, 3, 0.1 + 0.2);
    book.AddLabel(2, 25, std::string(40000, 'x'));
    book.AddLabel(16300, 13, "😀价");

    testing::TempFolder folder{"q9-xlsx"};
    const auto path = folder.path() / "book.xlsx";
    ReplaceFileWith(path.string(), [&book](std::FILE* file) { book.WriteTo(file); });

    const test::XlrdBook read = test::ReadWithOpenpyxl(path);
    ASSERT_EQ(read.sheets.size(), 1u);
    const test::XlrdSheet& sheet = read.sheets[0];
    EXPECT_EQ(sheet.name, "采购订单");
    EXPECT_EQ(sheet.rows, 16301);
    EXPECT_EQ(sheet.columns, 26);
    EXPECT_EQ(sheet.cells.size(), 9u);
    EXPECT_EQ(sheet.cells.at({0, 0}).text, "单据编号");
    EXPECT_EQ(sheet.cells.at({0, 1}).type, 'n');
    EXPECT_EQ(sheet.cells.at({0, 1}).number, -1234.5678);
    EXPECT_EQ(sheet.cells.at({0, 2}).text, "  blanks kept  ");
    EXPECT_EQ(sheet.cells.at({1, 0}).text, "单据编号");
    EXPECT_EQ(sheet.cells.at({1, 2}).number, 1e20);
    EXPECT_EQ(sheet.cells.at({1, 3}).number, 0.1 + 0.2);
    EXPECT_EQ(sheet.cells.at({2, 25}).text, std::string(XlsxWorkbookBuilder::kMaxTextUnits, 'x'));
    EXPECT_EQ(sheet.cells.at({16300, 13}).text, "😀价");

    const RecordsetPtr ours = ReadSheet(path.string(), "采购订单");
    ASSERT_EQ(ours->RecordCount(), 16301);
    ours->MoveNext();
    EXPECT_EQ(ours->Field("F2"), Value("a&b<c> _x0041_ \r\n"));
    EXPECT_EQ(ours->Field("F4"), Value(0.1 + 0.2));
}

}  // namespace
}  // namespace q9
