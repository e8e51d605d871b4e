#include "export/workbook_export.h"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "export/export_handlers.h"
#include "host/account_file.h"
#include "host/error.h"
#include "host/failure.h"
#include "host/path_list.h"
#include "workbook/biff5_writer.h"
#include "workbook/workbook_file.h"

namespace q9 {

namespace {

// "value" cells take the database value as it is; "text" cells take its text form, which the
// spreadsheet reads as a number when it is one, as if typed.
enum class CellContent { Value, Text };

struct CandidateColumn {
    const char* header;  // empty: by kind
    const char* field;
    CellContent content;
};

constexpr std::array<CandidateColumn, 14> kColumns = {{
    {"单据编号", "FBillNo", CellContent::Value},
    {"客户名称", "FSupplyName", CellContent::Value},
    {"物料代码", "FItemNumber", CellContent::Value},
    {"物料名称", "FItemName", CellContent::Value},
    {"数量", "FAuxQty", CellContent::Text},
    {"单价", "FAuxPrice", CellContent::Text},
    {"含税单价", "FAuxTaxPrice", CellContent::Text},
    {"税率", "FTaxRate", CellContent::Text},
    {"税额", "FTaxAmount", CellContent::Text},
    {"金额", "FAmount", CellContent::Text},
    {"价税合计", "FAllAmount", CellContent::Text},
    {"", "FCommitAmt", CellContent::Text},
    {"单据内码", "FInterID", CellContent::Value},
    {"单据分录", "FEntryID", CellContent::Value},
}};

std::array<size_t, kColumns.size()> FieldIndexes(const Recordset& rows) {
    std::array<size_t, kColumns.size()> indexes{};
    for (size_t c = 0; c < kColumns.size(); ++c) {
        const int index = rows.FieldIndex(kColumns[c].field);
        if (index < 0) {
            throw HostError(CatalogError(error_number::kItemNotFound, "候选数据中没有字段%1",
                                         {kColumns[c].field}));
        }
        indexes[c] = static_cast<size_t>(index);
    }
    return indexes;
}

// A number as the spreadsheet stores its standard text form when that is typed: rounded to
// 15 significant digits. Written without building the text for the common cases.
bool TypedNumber(const Value& value, double* number) {
    if (value.kind() == Value::Kind::Integer) {
        *number = static_cast<double>(value.AsInteger());
        return true;
    }
    if (value.kind() == Value::Kind::Floating && std::isfinite(value.AsFloating())) {
        // Amounts have few decimals: a double that is the nearest one to a decimal of at most
        // 15 digits rounds back to itself, and spotting that is much cheaper than the text.
        const double v = value.AsFloating();
        for (const double scale : {1.0, 10.0, 100.0, 1000.0, 10000.0}) {
            const double scaled = std::nearbyint(v * scale);
            if (std::fabs(scaled) < 1e15 && scaled / scale == v) {
                *number = v;
                return true;
            }
        }
        char digits[32];
        const auto written = std::to_chars(digits, digits + sizeof digits, value.AsFloating(),
                                           std::chars_format::general, 15);
        return std::from_chars(digits, written.ptr, *number).ec == std::errc();
    }
    return false;
}

void WriteTextCell(SheetWriter& book, uint32_t row, uint32_t column, const Value& value) {
    double number = 0;
    if (TypedNumber(value, &number)) {
        book.AddNumber(row, column, number);
        return;
    }
    const std::string text = ToText(value);  // a null fails here, as it cannot be converted
    if (text.empty()) return;                // typing nothing leaves the cell empty
    if (ParseNumericText(text, &number) && std::isfinite(number)) {
        book.AddNumber(row, column, number);
    } else {
        book.AddLabel(row, column, text);
    }
}

void WriteValueCell(SheetWriter& book, uint32_t row, uint32_t column, const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Null:
            return;
        case Value::Kind::Integer:
        case Value::Kind::Floating:
            book.AddNumber(row, column, value.NumberAsDouble());
            return;
        case Value::Kind::Text:
            if (!value.AsText().empty()) book.AddLabel(row, column, value.AsText());
            return;
        case Value::Kind::Object:
            throw HostError(error_number::kTypeMismatch, "不是数字");
    }
}

constexpr std::string_view kXlsxSuffix = ".xlsx";

bool HasXlsxSuffix(const std::string& fileName) {
    if (fileName.size() < kXlsxSuffix.size()) return false;
    return EqualsIgnoringCase(
        std::string_view(fileName).substr(fileName.size() - kXlsxSuffix.size()), kXlsxSuffix);
}

size_t CodePointCount(const std::string& utf8) {
    size_t count = 0;
    for (char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace

std::string CommitAmountHeader(const std::string& kindText) {
    if (kindText == "应付合同") return "付款关联金额";
    if (kindText == "应收合同") return "收款关联金额";
    return "关联金额";
}

WorkbookFileFormat ExportFormatOf(const std::string& fileName) {
    return HasXlsxSuffix(fileName) ? WorkbookFileFormat::Xlsx : WorkbookFileFormat::Excel95;
}

std::string FurtherWorkbookName(const std::string& fileName, int k) {
    if (HasXlsxSuffix(fileName)) {
        return fileName.substr(0, fileName.size() - kXlsxSuffix.size()) + std::to_string(k) +
               std::string(kXlsxSuffix);
    }
    // Four characters, not bytes: a name may be Chinese.
    std::string stem = fileName;
    if (CodePointCount(stem) >= 4) {
        for (int removed = 0; removed < 4; ++removed) {
            while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80) {
                stem.pop_back();
            }
            stem.pop_back();
        }
    }
    return stem + std::to_string(k) + ".xls";
}

int WorkbookCount(int recordCount) {
    if (recordCount <= 0) return 0;
    return recordCount / kRowsPerWorkbook + (recordCount % kRowsPerWorkbook != 0 ? 1 : 0);
}

size_t ExpectedCells(const Recordset& rows, int index) {
    const size_t expectedRows = static_cast<size_t>(std::min(
        kRowsPerWorkbook, std::max(0, rows.RecordCount() - (index - 1) * kRowsPerWorkbook)));
    return (expectedRows + 1) * kColumns.size();
}

void FillCandidateSheet(Recordset& rows, const std::string& kindText, int index, int count,
                        SheetWriter& sheet) {
    const auto fields = FieldIndexes(rows);
    for (uint32_t c = 0; c < kColumns.size(); ++c) {
        const std::string header =
            *kColumns[c].header ? kColumns[c].header : CommitAmountHeader(kindText);
        sheet.AddLabel(0, c, header);
    }

    const int stopAt = index * kRowsPerWorkbook + 1;
    uint32_t row = 1;
    while (!rows.Eof()) {
        if (row >= sheet.MaxRows()) {
            throw HostError(error_number::kOverflow, "一个工作表容纳不下这么多行");
        }
        for (uint32_t c = 0; c < kColumns.size(); ++c) {
            const Value& value = rows.FieldAt(fields[c]);
            try {
                if (kColumns[c].content == CellContent::Value) {
                    WriteValueCell(sheet, row, c, value);
                } else {
                    WriteTextCell(sheet, row, c, value);
                }
            } catch (const HostError& e) {
                throw HostError(AtCell(e.error(), kindText, static_cast<int>(row) + 1,
                                       std::string(1, static_cast<char>('A' + c))));
            }
        }
        ++row;
        rows.MoveNext();
        if (count > 1 && rows.AbsolutePosition() == stopAt) break;
    }
}

std::vector<uint8_t> BuildCandidateBookStream(Recordset& rows, const std::string& kindText,
                                              int index, int count) {
    Biff5WorkbookBuilder book(kindText, ExpectedCells(rows, index));
    FillCandidateSheet(rows, kindText, index, count, book);
    return book.Finish();
}

namespace {

constexpr int32_t kObjectNotSet = 91;
constexpr const char* kPasteIntoPathBoxText = "；可粘贴到路径框：";

void ShowFailure(CoreContext& context, const std::string& path, const Error& error) {
    MessageBoxRequest box;
    box.text = error.number == error_number::kPermissionDenied
                   ? "[" + path + "]" + context.texts.LoadText("文件被占用")
               : error.number == error_number::kPathFileAccess  // names its own file
                   ? context.texts.Describe(error)
                   : context.texts.Describe(Failure{error, {.file = path}});
    box.buttons = MessageButtons::Ok;
    context.prompter.Ask(box);
}

// The refusal when any of the workbooks the export would write is a file of the open account
// database; all of their names are checked before the first is written.
std::optional<std::string> AccountFileAmong(CoreContext& context, const std::string& folder,
                                            const std::string& fileName) {
    const RecordsetPtr& rows = context.state.currentRecordset;
    const int count = rows ? std::max(1, WorkbookCount(rows->RecordCount())) : 1;
    for (int i = 0; i < count; ++i) {
        const std::string name = i == 0 ? fileName : FurtherWorkbookName(fileName, i);
        if (auto refusal = AccountFileRefusal(context.gateway, context.texts, folder + name)) {
            return refusal;
        }
    }
    return std::nullopt;
}

bool MayOverwrite(CoreContext& context) {
    MessageBoxRequest question;
    question.text = context.texts.LoadText("文件已存在，是否覆盖？");
    question.title = context.texts.LoadText("系统提示");
    question.buttons = MessageButtons::YesNo;
    question.icon = MessageIcon::None;
    question.defaultAnswer = MessageAnswer::Yes;
    return context.prompter.Ask(question) == MessageAnswer::Yes;
}

}  // namespace

ExportOutcome WriteToExcel(CoreContext& context, const std::string& folder,
                           const std::string& fileName, const std::string& kindText) {
    ExportOutcome outcome;
    std::string currentPath = folder + fileName;
    try {
        if (const std::optional<std::string> refusal =
                AccountFileAmong(context, folder, fileName)) {
            outcome.result = ExportResult::WriteFailed;
            outcome.failure = Failure{{error_number::kPathFileAccess, *refusal}, {currentPath}};
            ShowFailure(context, currentPath, outcome.failure->error);
            return outcome;
        }
        // The old file stays until its replacement is complete: renaming over it replaces it.
        if (WorkbookFileExists(currentPath) && !MayOverwrite(context)) {
            outcome.result = ExportResult::OverwriteDeclined;
            return outcome;
        }

        const RecordsetPtr rows = context.state.currentRecordset;
        if (!rows) {
            throw HostError(kObjectNotSet, "没有可引出的候选数据");
        }
        // No rows still gives a workbook with its headers rather than a notice about nothing.
        outcome.lines = rows->RecordCount();
        const int count = std::max(1, WorkbookCount(rows->RecordCount()));
        const WorkbookFileFormat format = ExportFormatOf(fileName);
        std::string fileList = fileName;
        std::vector<std::string> paths{currentPath};
        for (int i = 1; i <= count; ++i) {
            const std::unique_ptr<SheetWriter> sheet =
                NewSheetWriter(format, kindText, ExpectedCells(*rows, i));
            FillCandidateSheet(*rows, kindText, i, count, *sheet);
            ReplaceFileWith(currentPath, [&sheet](std::FILE* file) { sheet->WriteTo(file); });
            outcome.files.push_back(currentPath);
            if (i < count) {
                const std::string next = FurtherWorkbookName(fileName, i);
                fileList += "," + next;
                currentPath = folder + next;
                paths.push_back(currentPath);
            }
        }
        if (count == 1) {
            context.texts.Notice("引出成功");
        } else {
            // The second form is the one a path box takes, to convert them all in one run.
            context.texts.ShowNotice(context.texts.LoadText("引出文件：") + folder + " " +
                                     fileList + context.texts.LoadText(kPasteIntoPathBoxText) +
                                     JoinPathList(paths));
        }
        return outcome;
    } catch (...) {
        outcome.result = ExportResult::WriteFailed;
        outcome.failure = CurrentFailure({.file = currentPath}, 0);
        ShowFailure(context, currentPath, outcome.failure->error);
    }
    return outcome;
}

}  // namespace q9
