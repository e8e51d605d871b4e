#include "jobs/change_list_file.h"

#include "export/workbook_export.h"
#include "host/error.h"
#include "journal/change_list.h"
#include "workbook/workbook_file.h"
#include "workbook/xlsx_writer.h"

namespace q9 {

namespace {

// Texts, not numbers: a value keeps every digit the database holds, as in the CSV.
void WriteXlsx(std::FILE* file, const std::vector<std::string>& titles, const std::string& sheet,
               const ChangeStore& changes) {
    XlsxWorkbookBuilder book(sheet, (changes.size() + 1) * titles.size());
    for (uint32_t c = 0; c < titles.size(); ++c) book.AddLabel(0, c, titles[c]);
    uint32_t row = 0;
    changes.ForEach([&](const ChangeRow& change) {
        const std::vector<std::string> cells = ChangeListCells(change);
        ++row;
        for (uint32_t c = 0; c < cells.size(); ++c) {
            if (!cells[c].empty()) book.AddLabel(row, c, cells[c]);
        }
    });
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
                     const std::string& sheet, const ChangeStore& changes) {
    try {
        if (ExportFormatOf(path) == WorkbookFileFormat::Xlsx) {
            ReplaceFileWith(path,
                            [&](std::FILE* file) { WriteXlsx(file, titles, sheet, changes); });
        } else {
            ReplaceFileWith(path, [&](std::FILE* file) {
                WriteChangeListCsv(titles, changes, [file](const std::string& line) {
                    std::fwrite(line.data(), 1, line.size(), file);
                });
            });
        }
        return true;
    } catch (const HostError&) {
        return false;
    }
}

}  // namespace q9
