#include "host/csv_cell.h"

namespace q9 {

std::string CsvCell(std::string_view text) {
    std::string cell;
    cell.reserve(text.size() + 3);
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string::npos) {
        cell += '\'';
    }
    cell += text;
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvLine(const std::vector<std::string>& cells) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line += ',';
        line += CsvCell(cells[i]);
    }
    line += "\r\n";
    return line;
}

}  // namespace q9
