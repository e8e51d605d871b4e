#include "result_table.h"

#include "host/csv_cell.h"

namespace q9::app {

std::vector<std::string> SplitDisplayText(const std::string& text, size_t columns) {
    std::vector<std::string> cells;
    size_t start = 0;
    while (start < text.size()) {
        const size_t bar = text.find('|', start);
        if (bar == std::string::npos) {
            cells.push_back(text.substr(start));
            break;
        }
        cells.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    cells.resize(columns);
    return cells;
}

std::string ResultTableToCsv(const ResultTable& table) {
    std::string out = CsvLine(table.titles);
    for (const auto& row : table.rows) out += CsvLine(row);
    return out;
}

}  // namespace q9::app
