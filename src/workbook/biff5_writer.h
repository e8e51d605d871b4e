#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/code_page.h"
#include "workbook/sheet_writer.h"

namespace q9 {

// Builds the `Book` stream of an Excel 5.0/95 workbook with one worksheet: BIFF5 records, text
// in code page 936. Cells are appended as they come; nothing is kept per cell, so a sheet of
// the largest size costs one buffer of its final length.
class Biff5WorkbookBuilder : public SheetWriter {
  public:
    static constexpr uint16_t kMaxRows = 16384;
    static constexpr uint16_t kMaxColumns = 256;
    static constexpr size_t kMaxLabelBytes = 255;
    static constexpr size_t kMaxSheetNameBytes = 31;

    // `sheetName` in UTF-8; `expectedCells` only sizes the buffer.
    explicit Biff5WorkbookBuilder(std::string_view sheetName, size_t expectedCells = 0);

    uint32_t MaxRows() const override { return kMaxRows; }
    // Text, cut to 255 bytes of code page 936 on a character boundary. Both throw HostError
    // (overflow) for a cell outside the worksheet.
    void AddLabel(uint32_t row, uint32_t column, std::string_view utf8) override;
    void AddNumber(uint32_t row, uint32_t column, double value) override;

    // The complete stream. The builder is spent afterwards.
    std::vector<uint8_t> Finish();
    // The stream as the only one of a compound file, named `Book`.
    void WriteTo(std::FILE* file) override;

  private:
    // `size` bytes at the end of the stream to write into.
    uint8_t* Extend(size_t size);
    void BeginCell(uint8_t* at, uint16_t recordId, uint16_t bodySize, uint16_t row,
                   uint16_t column);

    CodePage encoder_{936};
    std::vector<uint8_t> stream_;  // grown ahead of use; `used_` bytes are written
    size_t used_ = 0;
    std::string scratch_;
    size_t dimensionsAt_ = 0;
    bool anyCell_ = false;
    uint16_t firstRow_ = 0xFFFF, lastRow_ = 0, firstColumn_ = 0xFFFF, lastColumn_ = 0;
};

}  // namespace q9
