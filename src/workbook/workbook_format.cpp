#include "workbook/workbook_format.h"

#include <array>
#include <fstream>

#include "workbook/sheet_table.h"
#include "workbook/zip_xml_package.h"

namespace q9 {

namespace {

bool StartsBareBiff(const std::array<unsigned char, 8>& head, size_t got) {
    // The BOF records of BIFF2, BIFF3 and BIFF4, with the body length they have there.
    if (got < 4 || head[0] != 0x09 || (head[1] != 0x00 && head[1] != 0x02 && head[1] != 0x04)) {
        return false;
    }
    const unsigned length = head[2] | head[3] << 8;
    return length >= 4 && length <= 16;
}

// Other formats packaged as zip keep their content in parts of their own.
bool IsOtherZipFormat(ZipXmlPackage& package) {
    for (const char* part :
         {"mimetype", "xl/workbook.bin", "word/document.xml", "ppt/presentation.xml"}) {
        if (package.HasPart(part)) return true;
    }
    return false;
}

}  // namespace

WorkbookFormat DetectWorkbookFormat(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) ThrowWorkbookError("不能打开工作簿进行读取。");
    std::array<unsigned char, 8> head{};
    file.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto got = static_cast<size_t>(file.gcount());
    file.close();
    static constexpr std::array<unsigned char, 8> kCompoundFile = {0xD0, 0xCF, 0x11, 0xE0,
                                                                   0xA1, 0xB1, 0x1A, 0xE1};
    if (got == 8 && head == kCompoundFile) return WorkbookFormat::CompoundFile;
    if (got >= 4 && head[0] == 'P' && head[1] == 'K' &&
        ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6))) {
        ZipXmlPackage package(path);
        return IsOtherZipFormat(package) ? WorkbookFormat::OtherZip : WorkbookFormat::Xlsx;
    }
    if (StartsBareBiff(head, got)) return WorkbookFormat::BareBiff;
    return WorkbookFormat::Unknown;
}

}  // namespace q9
