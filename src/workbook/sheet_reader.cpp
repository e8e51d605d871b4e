#include "workbook/sheet_reader.h"

#include <array>
#include <fstream>

#include "workbook/sheet_table.h"
#include "workbook/xls_sheet_reader.h"
#include "workbook/xlsx_sheet_reader.h"

namespace q9 {

namespace {

enum class WorkbookFormat { Unknown, CompoundFile, Zip };

WorkbookFormat SniffFormat(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) ThrowWorkbookError("The workbook cannot be opened for reading.");
    std::array<unsigned char, 8> head{};
    file.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto got = static_cast<size_t>(file.gcount());
    static constexpr std::array<unsigned char, 8> kCompoundFile = {0xD0, 0xCF, 0x11, 0xE0,
                                                                   0xA1, 0xB1, 0x1A, 0xE1};
    if (got == 8 && head == kCompoundFile) return WorkbookFormat::CompoundFile;
    if (got >= 4 && head[0] == 'P' && head[1] == 'K' &&
        ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6))) {
        return WorkbookFormat::Zip;
    }
    return WorkbookFormat::Unknown;
}

}  // namespace

RecordsetPtr ReadSheet(const std::string& path, const std::string& sheetName) {
    switch (SniffFormat(path)) {
        case WorkbookFormat::CompoundFile:
            return ReadXlsSheet(path, sheetName);
        case WorkbookFormat::Zip:
            return ReadXlsxSheet(path, sheetName);
        case WorkbookFormat::Unknown:
            break;
    }
    ThrowWorkbookError("The file is not a workbook that can be read (.xls or .xlsx).");
}

}  // namespace q9
