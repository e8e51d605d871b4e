#include "jobs/change_list_file.h"

#include "export/workbook_export.h"
#include "host/error.h"
#include "journal/change_list.h"
#include "journal/sql_literal.h"
#include "workbook/workbook_file.h"
#include "workbook/xlsx_writer.h"

namespace q9 {

namespace {

// Texts, not numbers: a value keeps every digit the database holds, as in the CSV.
void WriteXlsx(std::FILE* file, const std::vector<std::string>& titles, const std::string& sheet,
               const std::vector<ChangeRow>& changes) {
    XlsxWorkbookBuilder book(sheet, (changes.size() + 1) * titles.size());
    for (uint32_t c = 0; c < titles.size(); ++c) book.AddLabel(0, c, titles[c]);
    uint32_t row = 0;
    for (const ChangeRow& change : changes) {
        const ChangedValue& v = change.value;
        const std::string cells[] = {change.kind,
                                     change.billNo,
                                     v.keys,
                                     v.table,
                                     v.column,
                                     LiteralDisplay(v.before),
                                     LiteralDisplay(v.after)};
        ++row;
        for (uint32_t c = 0; c < std::size(cells); ++c) {
            if (!cells[c].empty()) book.AddLabel(row, c, cells[c]);
        }
    }
    book.WriteTo(file);
}

}  // namespace

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
                     const std::string& sheet, const std::vector<ChangeRow>& changes) {
    try {
        if (ExportFormatOf(path) == WorkbookFileFormat::Xlsx) {
            ReplaceFileWith(path,
                            [&](std::FILE* file) { WriteXlsx(file, titles, sheet, changes); });
        } else {
            const std::string csv = ChangeListCsv(titles, changes);
            ReplaceFileWith(
                path, [&csv](std::FILE* file) { std::fwrite(csv.data(), 1, csv.size(), file); });
        }
        return true;
    } catch (const HostError&) {
        return false;
    }
}

}  // namespace q9
