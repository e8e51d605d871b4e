#pragma once

#include <string>
#include <vector>

namespace q9::app {

// What the result display collects: titles, column widths in twips, rows of cells.
struct ResultTable {
    int widthTwips = 0;
    std::vector<std::string> titles;
    std::vector<int> columnTwips;
    std::vector<std::vector<std::string>> rows;

    int ColumnCount() const { return static_cast<int>(titles.size()); }
};

// Cells of a display text: each cell is followed by "|" ("CG001 分录:3|reason|"); text after the
// last "|" is a further cell. The result has exactly `columns` cells, padded or cut.
std::vector<std::string> SplitDisplayText(const std::string& text, size_t columns);

// The table as CSV: the titles, then one line per row (CsvLine).
std::string ResultTableToCsv(const ResultTable& table);

}  // namespace q9::app
