#include "workbook/biff5_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "host/error.h"
#include "workbook/biff_records.h"
#include "workbook/compound_file_writer.h"

namespace q9 {

namespace {

namespace record = biff::record;
using biff::kWorkbookGlobals;
using biff::kWorksheet;

constexpr uint16_t kCodePage936 = 936;
constexpr uint8_t kCharsetGb2312 = 134;
constexpr uint16_t kFontHeight = 240;  // twips: 12 points, a new workbook's default in 936
constexpr uint16_t kStyleXfCount = 15;
constexpr uint16_t kCellXf = kStyleXfCount;  // the one cell format, general, on style 0

void PutU8(std::vector<uint8_t>& out, uint8_t v) {
    out.push_back(v);
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PatchU16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = static_cast<uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PatchU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutBytes(std::vector<uint8_t>& out, std::string_view bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void PutHeader(std::vector<uint8_t>& out, uint16_t id, uint16_t size) {
    PutU16(out, id);
    PutU16(out, size);
}

void PutBof(std::vector<uint8_t>& out, uint16_t substreamType) {
    PutHeader(out, record::kBof, 8);
    PutU16(out, biff::kBiff5Version);
    PutU16(out, substreamType);
    PutU16(out, 0x0DBB);  // build
    PutU16(out, 0x07CC);  // build year
}

void PutEof(std::vector<uint8_t>& out) {
    PutHeader(out, record::kEof, 0);
}

void PutWindow1(std::vector<uint8_t>& out) {
    PutHeader(out, record::kWindow1, 18);
    PutU16(out, 360);     // left, twips
    PutU16(out, 270);     // top
    PutU16(out, 14940);   // width
    PutU16(out, 9150);    // height
    PutU16(out, 0x0038);  // scroll bars and sheet tabs shown
    PutU16(out, 0);       // active sheet
    PutU16(out, 0);       // first visible tab
    PutU16(out, 1);       // selected sheets
    PutU16(out, 600);     // tab bar width, per mille
}

void PutFont(std::vector<uint8_t>& out, std::string_view faceCp936) {
    PutHeader(out, record::kFont, static_cast<uint16_t>(15 + faceCp936.size()));
    PutU16(out, kFontHeight);
    PutU16(out, 0);       // no bold, italic, strike-out
    PutU16(out, 0x7FFF);  // automatic colour
    PutU16(out, 400);     // normal weight
    PutU16(out, 0);       // no super- or subscript
    PutU8(out, 0);        // no underline
    PutU8(out, 0);        // family not given
    PutU8(out, kCharsetGb2312);
    PutU8(out, 0);
    PutU8(out, static_cast<uint8_t>(faceCp936.size()));
    PutBytes(out, faceCp936);
}

void PutXf(std::vector<uint8_t>& out, bool style, uint8_t usedAttributes) {
    PutHeader(out, record::kXf, 16);
    PutU16(out, 0);                        // font
    PutU16(out, 0);                        // number format: general
    PutU16(out, style ? 0xFFF5 : 0x0001);  // locked; style XFs have no parent, cells style 0
    PutU8(out, 0x20);                      // aligned general, bottom
    PutU8(out, usedAttributes);
    PutU32(out, 0x000020C0);  // pattern colours: window text on window background, no fill
    PutU32(out, 0);           // no borders
}

void PutStyle(std::vector<uint8_t>& out) {
    PutHeader(out, record::kStyle, 4);
    PutU16(out, 0x8000);  // built-in style on XF 0
    PutU8(out, 0);        // "Normal"
    PutU8(out, 0xFF);
}

void PutWindow2(std::vector<uint8_t>& out) {
    PutHeader(out, record::kWindow2, 10);
    PutU16(out, 0x06B6);  // grid, headings, zeros, outline; selected and shown
    PutU16(out, 0);       // first visible row
    PutU16(out, 0);       // first visible column
    PutU32(out, 0);       // grid colour (automatic)
}

}  // namespace

Biff5WorkbookBuilder::Biff5WorkbookBuilder(std::string_view sheetName, size_t expectedCells) {
    // Numbers are 18 bytes and labels mostly shorter; the globals are about 600.
    std::vector<uint8_t> globals;
    globals.reserve(1024);
    PutBof(globals, kWorkbookGlobals);
    PutHeader(globals, record::kCodePage, 2);
    PutU16(globals, kCodePage936);
    PutWindow1(globals);
    // Font index 4 does not exist in BIFF; four fonts keep every reference below it.
    const std::string face = encoder_.Encode("宋体");
    for (int i = 0; i < 4; ++i) PutFont(globals, face);
    PutXf(globals, true, 0x00);
    for (uint16_t i = 1; i < kStyleXfCount; ++i) PutXf(globals, true, 0xF4);
    PutXf(globals, false, 0x00);
    PutStyle(globals);

    const std::string name = encoder_.Encode(sheetName);
    const std::string_view shortName = Cp936Prefix(name, kMaxSheetNameBytes);
    PutHeader(globals, record::kBoundSheet, static_cast<uint16_t>(7 + shortName.size()));
    const size_t sheetOffsetAt = globals.size();
    PutU32(globals, 0);  // patched below
    PutU8(globals, 0);   // visible
    PutU8(globals, 0);   // worksheet
    PutU8(globals, static_cast<uint8_t>(shortName.size()));
    PutBytes(globals, shortName);
    PutEof(globals);

    PatchU32(globals, sheetOffsetAt, static_cast<uint32_t>(globals.size()));
    PutBof(globals, kWorksheet);
    PutHeader(globals, record::kDimensions, 10);
    dimensionsAt_ = globals.size();
    for (int i = 0; i < 5; ++i) PutU16(globals, 0);  // patched in Finish

    stream_.resize(globals.size() + 64 + expectedCells * 20);
    std::memcpy(stream_.data(), globals.data(), globals.size());
    used_ = globals.size();
}

uint8_t* Biff5WorkbookBuilder::Extend(size_t size) {
    if (used_ + size > stream_.size()) stream_.resize(std::max(stream_.size() * 2, used_ + size));
    uint8_t* at = stream_.data() + used_;
    used_ += size;
    return at;
}

namespace {

void CheckCell(uint32_t row, uint32_t column) {
    if (row >= Biff5WorkbookBuilder::kMaxRows || column >= Biff5WorkbookBuilder::kMaxColumns) {
        throw HostError(error_number::kOverflow, "单元格超出工作表范围");
    }
}

inline uint8_t* Store16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v & 0xFF);
    at[1] = static_cast<uint8_t>(v >> 8);
    return at + 2;
}

}  // namespace

void Biff5WorkbookBuilder::BeginCell(uint8_t* at, uint16_t recordId, uint16_t bodySize,
                                     uint16_t row, uint16_t column) {
    if (!anyCell_) {
        firstRow_ = lastRow_ = row;
        firstColumn_ = lastColumn_ = column;
        anyCell_ = true;
    } else {
        firstRow_ = std::min(firstRow_, row);
        lastRow_ = std::max(lastRow_, row);
        firstColumn_ = std::min(firstColumn_, column);
        lastColumn_ = std::max(lastColumn_, column);
    }
    at = Store16(at, recordId);
    at = Store16(at, bodySize);
    at = Store16(at, row);
    at = Store16(at, column);
    Store16(at, kCellXf);
}

void Biff5WorkbookBuilder::AddLabel(uint32_t row, uint32_t column, std::string_view utf8) {
    CheckCell(row, column);
    scratch_.clear();
    encoder_.Encode(utf8, scratch_);
    const std::string_view text = Cp936Prefix(scratch_, kMaxLabelBytes);
    const auto bodySize = static_cast<uint16_t>(8 + text.size());
    uint8_t* at = Extend(4u + bodySize);
    BeginCell(at, record::kLabel, bodySize, static_cast<uint16_t>(row),
              static_cast<uint16_t>(column));
    Store16(at + 10, static_cast<uint16_t>(text.size()));
    std::memcpy(at + 12, text.data(), text.size());
}

void Biff5WorkbookBuilder::AddNumber(uint32_t row, uint32_t column, double value) {
    CheckCell(row, column);
    uint8_t* at = Extend(18);
    BeginCell(at, record::kNumber, 14, static_cast<uint16_t>(row), static_cast<uint16_t>(column));
    const auto bits = std::bit_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) at[10 + i] = static_cast<uint8_t>(bits >> (8 * i));
}

std::vector<uint8_t> Biff5WorkbookBuilder::Finish() {
    if (anyCell_) {
        PatchU16(stream_, dimensionsAt_, firstRow_);
        PatchU16(stream_, dimensionsAt_ + 2, static_cast<uint16_t>(lastRow_ + 1));
        PatchU16(stream_, dimensionsAt_ + 4, firstColumn_);
        PatchU16(stream_, dimensionsAt_ + 6, static_cast<uint16_t>(lastColumn_ + 1));
    }
    stream_.resize(used_);
    PutWindow2(stream_);
    PutEof(stream_);
    used_ = stream_.size();
    return std::move(stream_);
}

void Biff5WorkbookBuilder::WriteTo(std::FILE* file) {
    WriteCompoundFile(file, biff::kBiff5StreamName, Finish());
}

}  // namespace q9
