#include "workbook/sheet_writer.h"

#include "workbook/biff5_writer.h"
#include "workbook/xlsx_writer.h"

namespace q9 {

std::unique_ptr<SheetWriter> NewSheetWriter(WorkbookFileFormat format, std::string_view sheetName,
                                            size_t expectedCells) {
    switch (format) {
        case WorkbookFileFormat::Xlsx:
            return std::make_unique<XlsxWorkbookBuilder>(sheetName, expectedCells);
        case WorkbookFileFormat::Excel95:
            break;
    }
    return std::make_unique<Biff5WorkbookBuilder>(sheetName, expectedCells);
}

}  // namespace q9
