#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "workbook/sheet_writer.h"

namespace q9 {

// An .xlsx workbook (Office Open XML) with one worksheet: texts in the shared-string table,
// numbers as they are, the zip of its parts written at the end. The sheet's XML grows as cells
// come; nothing else is kept per cell.
class XlsxWorkbookBuilder : public SheetWriter {
  public:
    static constexpr uint32_t kMaxRows = 1'048'576;
    static constexpr uint32_t kMaxColumns = 16'384;
    static constexpr size_t kMaxTextUnits = 32'767;  // UTF-16 units in a cell
    static constexpr size_t kMaxSheetNameCharacters = 31;

    explicit XlsxWorkbookBuilder(std::string_view sheetName, size_t expectedCells = 0);

    uint32_t MaxRows() const override { return kMaxRows; }
    // Throws HostError (overflow) for a cell outside the sheet or before the last one added.
    void AddLabel(uint32_t row, uint32_t column, std::string_view utf8) override;
    // A number that is not finite leaves the cell empty: the format has no such value.
    void AddNumber(uint32_t row, uint32_t column, double value) override;
    void WriteTo(std::FILE* file) override;

  private:
    // Opens the cell's row when it is a new one and writes `<c r="…"`.
    void BeginCell(uint32_t row, uint32_t column);
    // The parts up to their cells and strings.
    std::string SheetHead() const;
    std::string SharedStringsHead() const;

    std::string sheetName_;
    std::string sheetData_;
    bool anyCell_ = false;
    uint32_t row_ = 0;
    uint32_t column_ = 0;
    uint32_t lastColumn_ = 0;  // the widest row's
    std::unordered_map<std::string, uint32_t> stringIndex_;
    std::string strings_;  // the <si> items, in index order
    size_t stringReferences_ = 0;
};

}  // namespace q9
