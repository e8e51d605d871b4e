#include "workbook/sheet_reader.h"

#include "workbook/sheet_table.h"
#include "workbook/workbook_format.h"
#include "workbook/xls_sheet_reader.h"
#include "workbook/xlsx_sheet_reader.h"

namespace q9 {

RecordsetPtr ReadSheet(const std::string& path, const std::string& sheetName) {
    switch (DetectWorkbookFormat(path)) {
        case WorkbookFormat::CompoundFile:
            return ReadXlsSheet(path, sheetName);
        case WorkbookFormat::BareBiff:
            return ReadBareBiffSheet(path, sheetName);
        case WorkbookFormat::Xlsx:
            return ReadXlsxSheet(path, sheetName);
        case WorkbookFormat::OtherZip:
            ThrowWorkbookError(kOtherZipFormat);
        case WorkbookFormat::Unknown:
            break;
    }
    ThrowWorkbookError("该文件不是可以读取的工作簿（.xls 或 .xlsx）。");
}

}  // namespace q9
