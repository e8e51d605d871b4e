#include "workbook/biff5_writer.h"

#include <gtest/gtest.h>

#include "support/independent_readers.h"
#include "support/temp_folder.h"
#include "workbook/code_page.h"
#include "workbook/compound_file_writer.h"
#include "workbook/workbook_file.h"

namespace q9 {
namespace {

TEST(Cp936Encoder, EncodesChineseAndReplacesWhatTheCodePageLacks) {
    CodePage encoder(936);
    EXPECT_EQ(encoder.Encode("采购 A1"), "\xB2\xC9\xB9\xBA A1");
    // An emoji, a Korean syllable and a stray byte have no place in code page 936.
    EXPECT_EQ(encoder.Encode("a😀b한c\xFF"
                             "d"),
              "a?b?c?d");
    EXPECT_EQ(encoder.Encode("尾\xE9\x87"), "\xCE\xB2?");  // cut-off sequence at the end
}

TEST(Cp936Prefix, NeverSplitsATwoByteCharacter) {
    const std::string text = "a\xB2\xC9\xB9\xBA";  // "a采购"
    EXPECT_EQ(Cp936Prefix(text, 5), text);
    EXPECT_EQ(Cp936Prefix(text, 4), "a\xB2\xC9");
    EXPECT_EQ(Cp936Prefix(text, 2), "a");
    EXPECT_EQ(Cp936Prefix(text, 0), "");
}

TEST(Biff5WorkbookBuilder, IndependentReaderSeesSheetTextNumbersAndLimits) {
    Biff5WorkbookBuilder book("采购订单");
    book.AddLabel(0, 0, "单据编号");
    book.AddNumber(0, 1, -1234.5678);
    book.AddLabel(2, 3, std::string(300, 'x'));
    book.AddLabel(
        3, 3, "a" + std::string(200, 'x') + std::string(29, ' ') + "税税税税税税税税税税税税税");
    book.AddLabel(4, 13, "😀价");
    book.AddNumber(16300, 13, 1e20);
    const std::vector<uint8_t> stream = book.Finish();

    testing::TempFolder folder{"q9-export"};
    const auto path = folder.path() / "book.xls";
    ReplaceFileWith(path.string(),
                    [&stream](std::FILE* file) { WriteCompoundFile(file, "Book", stream); });

    const test::XlrdBook read = test::ReadWithXlrd(path);
    EXPECT_EQ(read.streams, std::vector<std::string>{"Book"});
    // xlrd tells the Excel 95 build (70) from 5.0 (50); both are the same BIFF5 records.
    EXPECT_TRUE(read.biffVersion == 50 || read.biffVersion == 70) << read.biffVersion;
    EXPECT_EQ(read.codepage, "936");
    ASSERT_EQ(read.sheets.size(), 1u);
    const test::XlrdSheet& sheet = read.sheets[0];
    EXPECT_EQ(sheet.name, "采购订单");
    EXPECT_EQ(sheet.rows, 16301);
    EXPECT_EQ(sheet.columns, 14);
    EXPECT_EQ(sheet.cells.size(), 6u);
    EXPECT_EQ(sheet.cells.at({0, 0}).text, "单据编号");
    EXPECT_EQ(sheet.cells.at({0, 1}).type, 'n');
    EXPECT_EQ(sheet.cells.at({0, 1}).number, -1234.5678);
    EXPECT_EQ(sheet.cells.at({2, 3}).text, std::string(255, 'x'));
    // After 230 single bytes the 13th two-byte character would end at byte 256: it is left out
    // whole rather than cut in half.
    EXPECT_EQ(sheet.cells.at({3, 3}).text,
              "a" + std::string(200, 'x') + std::string(29, ' ') + "税税税税税税税税税税税税");
    EXPECT_EQ(sheet.cells.at({4, 13}).text, "?价");
    EXPECT_EQ(sheet.cells.at({16300, 13}).number, 1e20);
}

}  // namespace
}  // namespace q9
