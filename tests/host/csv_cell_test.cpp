#include "host/csv_cell.h"

#include <gtest/gtest.h>

namespace q9 {
namespace {

TEST(CsvCell, FormulaStartsStayTextAndSeparatorsAreQuoted) {
    const struct {
        const char* text;
        const char* cell;
    } cases[] = {
        {"CG001 分录:3", "CG001 分录:3"},
        {"", ""},
        {"=HYPERLINK(\"http://x\",\"CG001\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"CG001\"\")\""},
        {"+1", "'+1"},
        {"-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1", "'\t=1"},
        {"\r=1", "\"'\r=1\""},
        {"a=b-c", "a=b-c"},  // only the first character makes a formula
        {" =1", " =1"},      // spreadsheet programs read a leading blank as text
        {"'=1", "'=1"},      // already text
        {"a,b", "\"a,b\""},
        {"say \"no\"", "\"say \"\"no\"\"\""},
        {"two\nlines", "\"two\nlines\""},
    };
    for (const auto& c : cases) EXPECT_EQ(CsvCell(c.text), c.cell) << c.text;
    EXPECT_EQ(CsvLine({"单据", "=1", ""}), "单据,'=1,\r\n");
}

}  // namespace
}  // namespace q9
