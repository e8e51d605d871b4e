#include "journal/change_list.h"

#include "host/csv_cell.h"
#include "journal/sql_literal.h"

namespace q9 {

std::vector<std::string> ChangeListCells(const ChangeRow& change) {
    const ChangedValue& v = change.value;
    return {change.kind,
            change.billNo,
            v.keys,
            v.table,
            v.column,
            LiteralDisplay(v.before),
            LiteralDisplay(v.after)};
}

void WriteChangeListCsv(const std::vector<std::string>& titles, const ChangeStore& changes,
                        const std::function<void(const std::string& line)>& write) {
    write(CsvLine(titles));
    changes.ForEach([&](const ChangeRow& change) { write(CsvLine(ChangeListCells(change))); });
}

}  // namespace q9
