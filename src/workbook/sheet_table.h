#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "host/recordset.h"

namespace q9 {

// Bounds on what a workbook from outside may make us hold.
inline constexpr uint32_t kMaxSheetRows = 1'048'576;
inline constexpr uint32_t kMaxSheetColumns = 16'384;
inline constexpr size_t kMaxSheetCells = 8'388'608;  // of the rectangle A1 to the last used cell

// Failures described by a key of the text catalog, which the reader's caller shows translated.
inline constexpr const char* kPasswordProtectedWorkbook =
    "工作簿设有打开密码（已加密），不能读取；请取消密码另存后再试。";
inline constexpr const char* kOtherZipFormat =
    "该文件是其他格式的压缩包（如 .ods、.xlsb、.docx），不是可以读取的工作簿（.xls 或 .xlsx）。";

// Throws HostError (workbook): the catalog template `textKey` filled with `arguments`.
[[noreturn]] void ThrowWorkbookError(const std::string& textKey,
                                     const std::vector<std::string>& arguments = {});
// The workbook is damaged; `what` (a catalog text) says how.
[[noreturn]] void ThrowWorkbookDamaged(const std::string& what);
// The sheet asked for is not in the workbook; the description names the sheets there are.
[[noreturn]] void ThrowSheetNotFound(const std::string& sheetName,
                                     const std::vector<std::string>& sheetsPresent);
// Exact name first, then without regard to ASCII letter case; -1 when there is none.
int FindSheetIndex(const std::vector<std::string>& sheetNames, const std::string& sheetName);

// Collects the cells of one sheet and turns them into the recordset the converters walk:
// rows 1 to the last used row, fields F1 to the last used column, a column that holds both
// text and numbers as text throughout.
class SheetTableBuilder {
  public:
    // Rows and columns count from 0. A later value for the same cell replaces an earlier one.
    void AddNumber(uint32_t row, uint32_t column, double value);
    // Empty text is an empty cell.
    void AddText(uint32_t row, uint32_t column, std::string text);

    RecordsetPtr Build();

  private:
    struct Cell {
        uint32_t row;
        uint32_t column;
        std::variant<double, std::string> value;
    };
    void Add(uint32_t row, uint32_t column, std::variant<double, std::string> value);

    std::vector<Cell> cells_;
};

}  // namespace q9
