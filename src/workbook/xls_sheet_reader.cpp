#include "workbook/xls_sheet_reader.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "workbook/biff_records.h"
#include "workbook/code_page.h"
#include "workbook/compound_file_reader.h"
#include "workbook/sheet_table.h"

namespace q9 {

namespace {

using biff::Record;
using biff::RecordBody;
using biff::RecordReader;
namespace record = biff::record;

constexpr uint64_t kMaxFileBytes = 512ULL << 20;

std::string Hex4(uint16_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) text.push_back(kDigits[value >> shift & 0xF]);
    return text;
}

struct SheetEntry {
    std::string name;
    std::span<const uint8_t> rawName;  // BIFF5: in the code page, decoded once it is known
    uint32_t bofOffset = 0;
};

// A result of a formula cell whose text comes in the STRING record after it.
struct PendingText {
    uint32_t row;
    uint32_t column;
};

class BiffWorkbook {
  public:
    explicit BiffWorkbook(std::span<const uint8_t> stream) : stream_(stream) { ReadGlobals(); }

    RecordsetPtr ReadSheet(const std::string& sheetName) {
        std::vector<std::string> names;
        names.reserve(sheets_.size());
        for (const SheetEntry& sheet : sheets_) names.push_back(sheet.name);
        const int index = FindSheetIndex(names, sheetName);
        if (index < 0) ThrowSheetNotFound(sheetName, names);

        RecordReader reader(stream_);
        reader.Seek(sheets_[static_cast<size_t>(index)].bofOffset);
        Record rec;
        if (!reader.Next(rec) || rec.type != record::kBof) {
            ThrowWorkbookError("工作簿已损坏：工作表“%1”不在工作簿所记的位置开始。", {sheetName});
        }
        SheetTableBuilder table;
        std::optional<PendingText> pending;
        // Charts embedded in the sheet bring their own BOF ... EOF; their records are not cells.
        for (int depth = 1; depth > 0 && reader.Next(rec);) {
            if (rec.type == record::kBof) {
                ++depth;
            } else if (rec.type == record::kEof) {
                --depth;
            } else if (depth == 1) {
                ReadCellRecord(reader, rec, table, pending);
            }
        }
        return table.Build();
    }

  private:
    void ReadGlobals() {
        RecordReader reader(stream_);
        Record rec;
        if (!reader.Next(rec) || (rec.type & 0x00FF) != (record::kBof & 0x00FF)) {
            ThrowWorkbookError("工作簿数据流不以BOF记录开头，该文件不是可以读取的Excel工作簿。");
        }
        if (rec.type != record::kBof) {
            ThrowWorkbookError(
                "工作簿的格式早于Excel 5.0（BOF记录%1），只能读取Excel "
                "5.0/95和97-2003工作簿（.xls）。",
                {Hex4(rec.type)});
        }
        RecordBody bof(rec.body);
        const uint16_t version = bof.U16();
        const uint16_t substream = bof.U16();
        if (version != biff::kBiff5Version && version != biff::kBiff8Version) {
            ThrowWorkbookError(
                "工作簿的BIFF版本为%1，只能读取Excel "
                "5.0/95（BIFF5）和97-2003（BIFF8）工作簿（.xls）。",
                {Hex4(version)});
        }
        if (substream != biff::kWorkbookGlobals) {
            ThrowWorkbookError("工作簿数据流不以工作簿的全局记录开头。");
        }
        biff8_ = version == biff::kBiff8Version;

        while (reader.Next(rec) && rec.type != record::kEof) {
            RecordBody body(rec.body);
            switch (rec.type) {
                case record::kFilePass:
                    ThrowWorkbookError(kPasswordProtectedWorkbook);
                case record::kCodePage:
                    codePage_ = body.U16();
                    break;
                case record::kBoundSheet:
                    ReadBoundSheet(body);
                    break;
                case record::kSst:
                    if (!biff8_) break;
                    while (reader.PeekType() == record::kContinue) {
                        reader.Next(rec);
                        body.AddContinuation(rec.body);
                    }
                    ReadSharedStrings(body);
                    break;
                default:
                    break;
            }
        }
        decoder_.emplace(codePage_);
        for (SheetEntry& sheet : sheets_) {
            if (!biff8_) decoder_->Decode(sheet.rawName, sheet.name);
        }
    }

    void ReadBoundSheet(RecordBody& body) {
        SheetEntry sheet;
        sheet.bofOffset = body.U32();
        body.Skip(2);  // visibility and sheet type
        if (biff8_) {
            sheet.name = body.UnicodeString(1);
        } else {
            sheet.rawName = body.Bytes(body.U8());
        }
        if (sheet.bofOffset >= stream_.size()) {
            ThrowWorkbookDamaged("工作表的起点超出工作簿末尾");
        }
        sheets_.push_back(std::move(sheet));
    }

    void ReadSharedStrings(RecordBody& body) {
        body.Skip(4);  // references in the workbook
        const uint32_t unique = body.U32();
        // Every string takes at least three bytes; the count alone does not size anything.
        strings_.reserve(std::min<size_t>(unique, biff::kMaxRecordBody));
        for (uint32_t i = 0; i < unique && !body.AtEnd(); ++i) {
            strings_.push_back(body.UnicodeString(2));
        }
    }

    // BIFF5 text: a length of `countBytes` bytes, then bytes in the workbook's code page.
    std::string ByteString(RecordBody& body, size_t countBytes) {
        const size_t count = countBytes == 1 ? body.U8() : body.U16();
        std::string out;
        decoder_->Decode(body.Bytes(count), out);
        return out;
    }

    std::string CellString(RecordBody& body) {
        return biff8_ ? body.UnicodeString(2) : ByteString(body, 2);
    }

    static void AddNumber(SheetTableBuilder& table, uint32_t row, uint32_t column, double value) {
        // Not a number a cell can hold; read as an error value, an empty cell.
        if (std::isfinite(value)) table.AddNumber(row, column, value);
    }

    void ReadCellRecord(RecordReader& reader, const Record& rec, SheetTableBuilder& table,
                        std::optional<PendingText>& pending) {
        RecordBody body(rec.body);
        switch (rec.type) {
            case record::kString: {
                if (!pending) return;
                while (reader.PeekType() == record::kContinue) {
                    Record more;
                    reader.Next(more);
                    body.AddContinuation(more.body);
                }
                table.AddText(pending->row, pending->column, CellString(body));
                pending.reset();
                return;
            }
            case record::kNumber:
            case record::kRk:
            case record::kLabel:
            case record::kRString:
            case record::kLabelSst:
            case record::kBoolErr:
            case record::kFormula:
            case record::kMulRk:
                break;
            default:
                return;
        }
        pending.reset();
        const uint32_t row = body.U16();
        const uint32_t column = body.U16();
        if (rec.type == record::kMulRk) {
            if (rec.body.size() < 6 || (rec.body.size() - 6) % 6 != 0) {
                ThrowWorkbookDamaged("MULRK记录的长度不对");
            }
            const size_t count = (rec.body.size() - 6) / 6;
            for (size_t i = 0; i < count; ++i) {
                body.Skip(2);  // format
                AddNumber(table, row, column + static_cast<uint32_t>(i),
                          biff::DecodeRk(body.U32()));
            }
            return;
        }
        body.Skip(2);  // format
        switch (rec.type) {
            case record::kNumber:
                AddNumber(table, row, column, body.F64());
                break;
            case record::kRk:
                AddNumber(table, row, column, biff::DecodeRk(body.U32()));
                break;
            case record::kLabel:
            case record::kRString:
                table.AddText(row, column, CellString(body));
                break;
            case record::kLabelSst: {
                const uint32_t index = body.U32();
                if (index >= strings_.size()) {
                    ThrowWorkbookDamaged("单元格引用了不存在的共享字符串");
                }
                table.AddText(row, column, strings_[index]);
                break;
            }
            case record::kBoolErr: {
                const uint8_t value = body.U8();
                if (body.U8() == 0) table.AddNumber(row, column, value ? 1.0 : 0.0);
                break;
            }
            case record::kFormula:
                ReadFormulaResult(body, row, column, table, pending);
                break;
            default:
                break;
        }
    }

    static void ReadFormulaResult(RecordBody& body, uint32_t row, uint32_t column,
                                  SheetTableBuilder& table, std::optional<PendingText>& pending) {
        const std::span<const uint8_t> result = body.Bytes(8);
        if (result[6] != 0xFF || result[7] != 0xFF) {
            RecordBody number(result);
            AddNumber(table, row, column, number.F64());
            return;
        }
        switch (result[0]) {
            case 0:  // text, in the STRING record that follows
                pending = PendingText{row, column};
                break;
            case 1:
                table.AddNumber(row, column, result[2] ? 1.0 : 0.0);
                break;
            default:  // an error or empty text: an empty cell
                break;
        }
    }

    std::span<const uint8_t> stream_;
    bool biff8_ = false;
    uint16_t codePage_ = 1252;
    std::optional<CodePage> decoder_;
    std::vector<SheetEntry> sheets_;
    std::vector<std::string> strings_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) ThrowWorkbookError("不能打开工作簿：%1。", {error.message()});
    if (size > kMaxFileBytes) ThrowWorkbookError("工作簿太大，不能读取。");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) ThrowWorkbookError("不能打开工作簿进行读取。");
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get())) ThrowWorkbookError("不能读取工作簿。");
    return bytes;
}

}  // namespace

RecordsetPtr ReadBiffSheet(std::span<const uint8_t> stream, const std::string& sheetName) {
    return BiffWorkbook(stream).ReadSheet(sheetName);
}

RecordsetPtr ReadBareBiffSheet(const std::string& path, const std::string& sheetName) {
    return ReadBiffSheet(ReadFileBytes(path), sheetName);
}

RecordsetPtr ReadXlsSheet(const std::string& path, const std::string& sheetName) {
    const std::vector<uint8_t> file = ReadFileBytes(path);
    const std::vector<uint8_t> stream = ReadWorkbookStream(file);
    return ReadBiffSheet(stream, sheetName);
}

}  // namespace q9
