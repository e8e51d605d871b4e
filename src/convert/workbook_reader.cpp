#include "convert/workbook_reader.h"

#include <filesystem>
#include <new>

#include "host/error.h"
#include "workbook/sheet_reader.h"

namespace q9 {

namespace {

void ShowReadFailure(CoreContext& context, const Failure& failure) {
    MessageBoxRequest box;
    box.text = context.texts.Describe(failure);
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

WorkbookRead ReadWorkbook(CoreContext& context, const std::string& path,
                          const std::string& sheetName) {
    WorkbookRead read;
    if (!IsExistingFile(path)) {
        const std::string notice = context.texts.FormatText("文件：%1不存在", {Value(path)});
        context.texts.ShowNotice(notice);
        read.failure = Failure{{error_number::kFileNotFound, notice}, {.file = path}};
        return read;
    }
    try {
        read.rows = ReadSheet(path, sheetName);
        context.log.Write("count:" + std::to_string(read.rows->RecordCount()));
    } catch (const std::bad_alloc&) {
        read.failure = Failure{{error_number::kWorkbook, "内存不足，不能读取工作簿。"},
                               {.file = path, .sheet = sheetName}};
    } catch (...) {
        read.failure = CurrentFailure({.file = path, .sheet = sheetName}, error_number::kWorkbook);
    }
    if (read.failure) ShowReadFailure(context, *read.failure);
    return read;
}

}  // namespace q9
