#include "convert/xls_sheet_reader.h"

#include <freexl.h>

#include <memory>
#include <vector>

#include "convert/sheet_table.h"
#include "convert/xls_compound_file.h"

namespace q9 {

namespace {

struct FreeXlCloser {
    void operator()(const void* handle) const { freexl_close(handle); }
};
using FreeXlHandle = std::unique_ptr<const void, FreeXlCloser>;

std::string DescribeOpenFailure(int code) {
    switch (code) {
        case FREEXL_FILE_NOT_FOUND:
            return "The workbook cannot be opened for reading.";
        case FREEXL_INSUFFICIENT_MEMORY:
            return "There is not enough memory to read the workbook.";
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return "The file holds no workbook stream.";
        case FREEXL_UNSUPPORTED_CHARSET:
        case FREEXL_INVALID_CHARACTER:
            return "The workbook's text is in a character set that cannot be read.";
        case FREEXL_CRAFTED_FILE:
            return "The workbook is severely damaged and is not read.";
        default:
            return "The workbook is damaged and cannot be read (code " + std::to_string(code) +
                   ").";
    }
}

void Check(int code, const char* what) {
    if (code != FREEXL_OK) {
        ThrowWorkbookError(std::string("The workbook is damaged: ") + what + " (code " +
                           std::to_string(code) + ").");
    }
}

}  // namespace

RecordsetPtr ReadXlsSheet(const std::string& path, const std::string& sheetName) {
    XlsFileForReading prepared(path);
    const void* raw = nullptr;
    const int opened = freexl_open(prepared.path().c_str(), &raw);
    FreeXlHandle handle(raw);
    if (opened != FREEXL_OK) ThrowWorkbookError(DescribeOpenFailure(opened));
    // FreeXL 1.0.6 answers success without a workbook when a record defeats it.
    if (!raw) ThrowWorkbookError("The workbook is damaged and cannot be read.");

    unsigned int version = 0;
    Check(freexl_get_info(raw, FREEXL_BIFF_VERSION, &version), "no BIFF version");
    if (version != FREEXL_BIFF_VER_5 && version != FREEXL_BIFF_VER_8) {
        ThrowWorkbookError("The workbook is in Excel format BIFF" + std::to_string(version) +
                           "; only Excel 5.0/95 and 97-2003 workbooks (.xls) can be read.");
    }
    unsigned int password = 0;
    if (freexl_get_info(raw, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED) {
        ThrowWorkbookError("The workbook is protected by a password.");
    }

    unsigned int sheetCount = 0;
    Check(freexl_get_info(raw, FREEXL_BIFF_SHEET_COUNT, &sheetCount), "no sheet count");
    std::vector<std::string> names;
    for (unsigned int i = 0; i < sheetCount && i < 65536; ++i) {
        const char* name = nullptr;
        Check(freexl_get_worksheet_name(raw, static_cast<unsigned short>(i), &name),
              "unreadable sheet name");
        names.emplace_back(name ? name : "");
    }
    const int index = FindSheetIndex(names, sheetName);
    if (index < 0) ThrowSheetNotFound(sheetName, names);

    Check(freexl_select_active_worksheet(raw, static_cast<unsigned short>(index)),
          "the sheet cannot be selected");
    unsigned int rows = 0;
    unsigned short columns = 0;
    Check(freexl_worksheet_dimensions(raw, &rows, &columns), "no sheet dimensions");
    if (rows > kMaxSheetRows || columns > kMaxSheetColumns) {
        ThrowWorkbookError("The sheet claims " + std::to_string(rows) + " rows by " +
                           std::to_string(columns) + " columns, more than a sheet can hold.");
    }

    SheetTableBuilder table;
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue cell{};
            Check(freexl_get_cell_value(raw, row, column, &cell), "unreadable cell");
            switch (cell.type) {
                case FREEXL_CELL_INT:
                    table.AddNumber(row, column, static_cast<double>(cell.value.int_value));
                    break;
                case FREEXL_CELL_DOUBLE:
                    table.AddNumber(row, column, cell.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    if (cell.value.text_value) table.AddText(row, column, cell.value.text_value);
                    break;
                default:
                    break;
            }
        }
    }
    return table.Build();
}

}  // namespace q9
