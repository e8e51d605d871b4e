#pragma once

// Workbooks as programs other than ours read them.

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace q9::test {

// A workbook as python3-xlrd reads it.
struct ReadCell {
    char type = 0;  // 'n' number, 's' text
    std::string text;
    double number = 0;
};
struct XlrdSheet {
    std::string name;
    int rows = 0;
    int columns = 0;
    std::map<std::pair<int, int>, ReadCell> cells;  // non-empty cells by (row, column)
};
struct XlrdBook {
    std::vector<std::string> streams;
    int biffVersion = 0;
    std::string codepage;
    std::vector<XlrdSheet> sheets;
};
XlrdBook ReadWithXlrd(const std::filesystem::path& workbook);
// An .xlsx workbook as python3-openpyxl reads it, in the same form (no streams, no version).
XlrdBook ReadWithOpenpyxl(const std::filesystem::path& workbook);

// Runs a shell command; its standard output, or throws when it fails.
std::string RunCommand(const std::string& command);

}  // namespace q9::test
