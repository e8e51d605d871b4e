#include "journal/change_list.h"

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

}  // namespace q9
