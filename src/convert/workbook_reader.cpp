#include "convert/workbook_reader.h"

#include <filesystem>
#include <new>

#include "host/error.h"
#include "workbook/sheet_reader.h"

namespace q9 {

namespace {

// Some descriptions are keys of the text catalog; the others are shown as they are.
void ShowReadFailure(CoreContext& context, const std::string& description) {
    MessageBoxRequest box;
    box.text = context.texts.LoadText(description);
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
