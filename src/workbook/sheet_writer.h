#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

namespace q9 {

// The file formats a workbook of ours is written in.
enum class WorkbookFileFormat { Excel95, Xlsx };

// One worksheet filled cell by cell, then written out as a whole workbook file. Rows and
// columns count from 0; cells come row by row and, within a row, column by column.
class SheetWriter {
  public:
    virtual ~SheetWriter() = default;

    virtual uint32_t MaxRows() const = 0;
    // Text in UTF-8; each format cuts it to the length a cell of its own may hold.
    virtual void AddLabel(uint32_t row, uint32_t column, std::string_view utf8) = 0;
    virtual void AddNumber(uint32_t row, uint32_t column, double value) = 0;
    // The complete workbook into `file`, which stays open. The writer is spent afterwards.
    // Throws HostError; a failed write leaves the file's error indicator set.
    virtual void WriteTo(std::FILE* file) = 0;
};

// A workbook of one sheet named `sheetName` (UTF-8); `expectedCells` only sizes buffers.
std::unique_ptr<SheetWriter> NewSheetWriter(WorkbookFileFormat format, std::string_view sheetName,
                                            size_t expectedCells = 0);

}  // namespace q9
