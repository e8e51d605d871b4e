#include "journal/change_list.h"

#include <fstream>

#include "host/csv_cell.h"
#include "journal/sql_literal.h"

namespace q9 {

std::string ChangeListCsv(const std::vector<std::string>& titles,
                          const std::vector<ChangeRow>& changes) {
    std::string csv = CsvLine(titles);
    for (const ChangeRow& change : changes) {
        const ChangedValue& v = change.value;
        csv += CsvLine({change.kind, change.billNo, v.keys, v.table, v.column,
                        LiteralDisplay(v.before), LiteralDisplay(v.after)});
    }
    return csv;
}

std::vector<std::string> ChangeListTitles(const std::string& titles) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (size_t bar = titles.find('|'); bar != std::string::npos; bar = titles.find('|', start)) {
        cells.push_back(titles.substr(start, bar - start));
        start = bar + 1;
    }
    return cells;
}

bool WriteChangeList(const std::string& path, const std::vector<std::string>& titles,
                     const std::vector<ChangeRow>& changes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << ChangeListCsv(titles, changes);
    file.flush();
    return static_cast<bool>(file);
}

}  // namespace q9
