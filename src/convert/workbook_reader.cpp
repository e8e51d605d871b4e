#include "convert/workbook_reader.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "convert/sheet_table.h"
#include "convert/xls_sheet_reader.h"
#include "convert/xlsx_sheet_reader.h"
#include "host/error.h"

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

void ShowReadFailure(CoreContext& context, const std::string& description) {
    MessageBoxRequest box;
    box.text = description;
    box.title = context.texts.LoadText("Read_Excel");
    box.buttons = MessageButtons::Ok;
    box.icon = MessageIcon::Exclamation;
    box.defaultAnswer = MessageAnswer::Ok;
    context.prompter.Ask(box);
}

// A folder, a device or anything else that is not a plain file is no workbook to look for.
bool IsExistingFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
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

RecordsetPtr ReadWorkbook(CoreContext& context, const std::string& path,
                          const std::string& sheetName) {
    if (!IsExistingFile(path)) {
        context.texts.ShowNotice(context.texts.FormatText("文件：%1不存在", {Value(path)}));
        return nullptr;
    }
    RecordsetPtr result;
    try {
        result = ReadSheet(path, sheetName);
        context.log.Write("count:" + std::to_string(result->RecordCount()));
    } catch (const HostError& error) {
        ShowReadFailure(context, error.error().description);
    } catch (const std::bad_alloc&) {
        ShowReadFailure(context, "There is not enough memory to read the workbook.");
    } catch (const std::exception& error) {
        ShowReadFailure(context, error.what());
    }
    return result;
}

}  // namespace q9
