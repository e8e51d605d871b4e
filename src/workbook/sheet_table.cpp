#include "workbook/sheet_table.h"

#include <algorithm>

#include "host/error.h"

namespace q9 {

void ThrowWorkbookError(const std::string& textKey, const std::vector<std::string>& arguments) {
    throw HostError(CatalogError(error_number::kWorkbook, textKey, arguments));
}

void ThrowWorkbookDamaged(const std::string& what) {
    ThrowWorkbookError("工作簿已损坏：%1。", {what});
}

void ThrowSheetNotFound(const std::string& sheetName,
                        const std::vector<std::string>& sheetsPresent) {
    std::string present;
    for (const auto& name : sheetsPresent) {
        if (!present.empty()) present += "、";
        present += "“" + name + "”";
    }
    if (present.empty()) ThrowWorkbookError("工作簿中没有名为“%1”的工作表。", {sheetName});
    ThrowWorkbookError("工作簿中没有名为“%1”的工作表（现有工作表：%2）。", {sheetName, present});
}

int FindSheetIndex(const std::vector<std::string>& sheetNames, const std::string& sheetName) {
    for (size_t i = 0; i < sheetNames.size(); ++i) {
        if (sheetNames[i] == sheetName) return static_cast<int>(i);
    }
    for (size_t i = 0; i < sheetNames.size(); ++i) {
        if (EqualsIgnoringCase(sheetNames[i], sheetName)) return static_cast<int>(i);
    }
    return -1;
}

void SheetTableBuilder::AddNumber(uint32_t row, uint32_t column, double value) {
    Add(row, column, value);
}

void SheetTableBuilder::AddText(uint32_t row, uint32_t column, std::string text) {
    if (text.empty()) return;
    Add(row, column, std::move(text));
}

void SheetTableBuilder::Add(uint32_t row, uint32_t column,
                            std::variant<double, std::string> value) {
    if (row >= kMaxSheetRows) {
        ThrowWorkbookError("工作表有超过第%1行的单元格。", {std::to_string(kMaxSheetRows)});
    }
    if (column >= kMaxSheetColumns) {
        ThrowWorkbookError("工作表有超过第%1列的单元格。", {std::to_string(kMaxSheetColumns)});
    }
    if (cells_.size() >= kMaxSheetCells) {
        ThrowWorkbookError("工作表的单元格超过%1个。", {std::to_string(kMaxSheetCells)});
    }
    cells_.push_back(Cell{row, column, std::move(value)});
}

RecordsetPtr SheetTableBuilder::Build() {
    size_t rowCount = 0;
    size_t columnCount = 0;
    for (const Cell& cell : cells_) {
        rowCount = std::max<size_t>(rowCount, cell.row + 1);
        columnCount = std::max<size_t>(columnCount, cell.column + 1);
    }
    if (rowCount * columnCount > kMaxSheetCells) {
        ThrowWorkbookError("工作表太大，不能读取：%1行×%2列。",
                           {std::to_string(rowCount), std::to_string(columnCount)});
    }

    // The provider's import mode: one type per column, text as soon as text and numbers meet.
    std::vector<uint8_t> kinds(columnCount, 0);
    constexpr uint8_t kHasNumber = 1;
    constexpr uint8_t kHasText = 2;
    for (const Cell& cell : cells_) {
        kinds[cell.column] |= std::holds_alternative<double>(cell.value) ? kHasNumber : kHasText;
    }

    std::vector<Recordset::Row> rows(rowCount, Recordset::Row(columnCount));
    for (Cell& cell : cells_) {
        Value& target = rows[cell.row][cell.column];
        if (auto* number = std::get_if<double>(&cell.value)) {
            target = kinds[cell.column] == (kHasNumber | kHasText) ? Value(FormatDouble(*number))
                                                                   : Value(*number);
        } else {
            target = Value(std::move(std::get<std::string>(cell.value)));
        }
    }
    cells_.clear();

    std::vector<std::string> names;
    names.reserve(std::max<size_t>(columnCount, 1));
    for (size_t i = 0; i < std::max<size_t>(columnCount, 1); ++i) {
        // Appended rather than concatenated: GCC 12 at -O3 warns falsely on "F" + text.
        std::string name = "F";
        name += std::to_string(i + 1);
        names.push_back(std::move(name));
    }
    return std::make_shared<Recordset>(std::move(names), std::move(rows));
}

}  // namespace q9
