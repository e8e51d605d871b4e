#include "result_table.h"

namespace q9::app {

namespace {

void AppendCsvField(std::string& out, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendCsvLine(std::string& out, const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        AppendCsvField(out, fields[i]);
    }
    out += "\r\n";
}

}  // namespace

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
    std::string out;
    AppendCsvLine(out, table.titles);
    for (const auto& row : table.rows) AppendCsvLine(out, row);
    return out;
}

}  // namespace q9::app
