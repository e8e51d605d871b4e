#pragma once

#include <string>

namespace q9 {

// What a file holds, told by its content, whatever its name says.
enum class WorkbookFormat {
    CompoundFile,  // .xls of Excel 5.0 and later (or an encrypted package inside one)
    BareBiff,      // Excel 2.1 to 4.0: the record stream is the whole file
    Xlsx,
    OtherZip,  // a zip package of another format: OpenDocument, .xlsb, .docx, .pptx
    Unknown,
};

// Throws HostError (workbook) when the file cannot be opened, or is a zip package that cannot
// be read.
WorkbookFormat DetectWorkbookFormat(const std::string& path);

}  // namespace q9
