// The sheet of every kind of workbook the operator may hand back, written by other programs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "host/error.h"
#include "workbook/sheet_reader.h"

namespace q9 {
namespace {

std::string Fixture(const std::string& name) {
    return std::string(Q9_TEST_DATA) + "/reader/" + name;
}

// The value of field `name` in record `index` (0 = the title row).
Value At(Recordset& rs, int index, const std::string& name) {
    rs.MoveFirst();
    for (int i = 0; i < index; ++i) rs.MoveNext();
    return rs.Field(name);
}

class ExportedSheetTest : public ::testing::TestWithParam<const char*> {};

// make_fixtures.py writes the same rows with each program: the title row, four lines, an empty
// row between them, and column P with numbers only and no title.
TEST_P(ExportedSheetTest, ReadsTheRowsAsTheConvertersExpectThem) {
    RecordsetPtr rs = ReadSheet(Fixture(GetParam()), "采购订单");
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->RecordCount(), 6);
    ASSERT_EQ(rs->FieldCount(), 16u);
    EXPECT_EQ(rs->FieldNames().front(), "F1");
    EXPECT_EQ(rs->FieldNames().back(), "F16");
    EXPECT_EQ(rs->AbsolutePosition(), 1);

    EXPECT_EQ(At(*rs, 0, "F1"), Value("单据编号"));
    EXPECT_EQ(At(*rs, 0, "F8"), Value("税率"));
    EXPECT_EQ(At(*rs, 0, "F14"), Value("单据分录"));
    EXPECT_TRUE(At(*rs, 0, "F15").IsNull());
    EXPECT_TRUE(At(*rs, 0, "F16").IsNull());

    // Titled columns mix text and numbers: numbers come back in their standard text form.
    EXPECT_EQ(At(*rs, 1, "F1"), Value("POORD000001"));
    EXPECT_EQ(At(*rs, 1, "F2"), Value("华东供应商"));
    EXPECT_EQ(At(*rs, 1, "F5"), Value("10"));
    EXPECT_EQ(At(*rs, 1, "F6"), Value("2.5"));
    EXPECT_EQ(At(*rs, 1, "F7"), Value("2.925"));
    EXPECT_EQ(At(*rs, 1, "F8"), Value("17"));
    EXPECT_EQ(At(*rs, 1, "F13"), Value("1001"));
    EXPECT_EQ(At(*rs, 1, "F14"), Value("1"));
    // A column of numbers only stays numeric.
    EXPECT_EQ(At(*rs, 1, "F16"), Value(7.0));

    EXPECT_TRUE(At(*rs, 2, "F2").IsNull());
    EXPECT_EQ(At(*rs, 2, "F8"), Value("17"));  // typed as text
    EXPECT_EQ(At(*rs, 2, "F14"), Value("2"));

    EXPECT_EQ(At(*rs, 3, "F4"), Value("Bolt"));
    EXPECT_EQ(At(*rs, 3, "F5"), Value("1.5"));
    EXPECT_EQ(At(*rs, 3, "F8"), Value("11"));
    EXPECT_EQ(At(*rs, 3, "F16"), Value(0.5));

    for (const char* name : {"F1", "F5", "F8", "F14", "F16"}) {
        EXPECT_TRUE(At(*rs, 4, name).IsNull()) << name;
    }

    EXPECT_EQ(At(*rs, 5, "F5"), Value("501"));
    EXPECT_EQ(At(*rs, 5, "F11"), Value("644.88"));
    EXPECT_EQ(At(*rs, 5, "F13"), Value("1003"));
}

INSTANTIATE_TEST_SUITE_P(OtherWriters, ExportedSheetTest,
                         ::testing::Values("xlwt_biff8.xls", "gnumeric_biff5.xls",
                                           "libreoffice_biff8.xls", "openpyxl.xlsx",
                                           "libreoffice.xlsx"),
                         [](const auto& param) {
                             std::string name = param.param;
                             for (char& c : name) {
                                 if (c == '.') c = '_';
                             }
                             return name;
                         });

TEST(XlsxCellsTest, InlineStringsFormulasRichTextAndCellsWithoutReferences) {
    RecordsetPtr rs = ReadSheet(Fixture("handmade.xlsx"), "采购订单");
    ASSERT_EQ(rs->RecordCount(), 4);
    ASSERT_EQ(rs->FieldCount(), 16u);

    EXPECT_EQ(At(*rs, 0, "F1"), Value("单据编号"));
    EXPECT_EQ(At(*rs, 0, "F2"), Value("客户名称"));
    EXPECT_EQ(At(*rs, 0, "F8"), Value("税率"));  // two rich-text runs
    EXPECT_TRUE(At(*rs, 0, "F3").IsNull());

    EXPECT_EQ(At(*rs, 1, "F1"), Value("POORD000001"));  // runs joined, phonetic hint left out
    EXPECT_TRUE(At(*rs, 1, "F2").IsNull());
    EXPECT_EQ(At(*rs, 1, "F3"), Value("01.001"));  // cached text of a formula
    EXPECT_EQ(At(*rs, 1, "F5"), Value("10"));      // cached number, column mixed with text
    EXPECT_EQ(At(*rs, 1, "F8"), Value("17"));
    EXPECT_EQ(At(*rs, 1, "F16"), Value(1.0));  // TRUE

    for (const char* name : {"F1", "F5", "F8", "F16"}) {
        EXPECT_TRUE(At(*rs, 2, name).IsNull()) << name;
    }

    EXPECT_EQ(At(*rs, 3, "F1"), Value("POORD000002"));
    EXPECT_EQ(At(*rs, 3, "F5"), Value("#DIV/0!"));
    EXPECT_TRUE(At(*rs, 3, "F6").IsNull());  // an error cell
    EXPECT_EQ(At(*rs, 3, "F8"), Value("11"));
    EXPECT_EQ(At(*rs, 3, "F16"), Value(0.0015));
}

TEST(SheetChoiceTest, TheSheetIsFoundByNameWhereverItStands) {
    // Every fixture has another sheet before the wanted one.
    EXPECT_EQ(ReadSheet(Fixture("handmade.xlsx"), "Sheet1")->RecordCount(), 0);
    EXPECT_EQ(ReadSheet(Fixture("xlwt_biff8.xls"), "说明")->RecordCount(), 1);
}

TEST(SheetChoiceTest, FormatIsTakenFromTheContentNotTheName) {
    const auto dir = std::filesystem::temp_directory_path() / "q9-reader-renamed";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(Fixture("openpyxl.xlsx"), dir / "book.xls",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(Fixture("xlwt_biff8.xls"), dir / "book.xlsx",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(ReadSheet((dir / "book.xls").string(), "采购订单")->RecordCount(), 6);
    EXPECT_EQ(ReadSheet((dir / "book.xlsx").string(), "采购订单")->RecordCount(), 6);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace q9
