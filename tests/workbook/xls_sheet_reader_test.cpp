// The .xls record stream, built by hand record by record: what other writers put there and
// what damage looks like.
#include "workbook/xls_sheet_reader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/error.h"
#include "workbook/biff_records.h"
#include "workbook/compound_file_reader.h"
#include "workbook/compound_file_writer.h"
#include "workbook/sheet_reader.h"

namespace q9 {
namespace {

using Bytes = std::vector<uint8_t>;

// Little-endian record bodies.
struct Body {
    Bytes bytes;
    Body& U8(unsigned value) {
        bytes.push_back(static_cast<uint8_t>(value));
        return *this;
    }
    Body& U16(unsigned value) { return U8(value & 0xFF).U8(value >> 8 & 0xFF); }
    Body& U32(uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
    Body& F64(double value) {
        const auto bits = std::bit_cast<uint64_t>(value);
        return U32(static_cast<uint32_t>(bits)).U32(static_cast<uint32_t>(bits >> 32));
    }
    Body& Raw(const std::string& raw) {
        bytes.insert(bytes.end(), raw.begin(), raw.end());
        return *this;
    }
    Body& Hex(const std::string& hex) {
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            U8(std::stoul(hex.substr(i, 2), nullptr, 16));
        return *this;
    }
    // A cell's row, column and format.
    Body& Cell(unsigned row, unsigned column) { return U16(row).U16(column).U16(15); }
    // BIFF8 string of 8-bit characters.
    Body& Compressed(const std::string& text, bool twoByteCount = true) {
        twoByteCount ? U16(static_cast<unsigned>(text.size()))
                     : U8(static_cast<unsigned>(text.size()));
        return U8(0).Raw(text);
    }
};

struct Rec {
    uint16_t type;
    Bytes body;
};

Rec R(uint16_t type, const Body& body = {}) {
    return Rec{type, body.bytes};
}

struct Sheet {
    Bytes name;  // as the BOUNDSHEET record holds it, after the options
    std::vector<Rec> records;
};

// A workbook stream: globals (BOF, `globals`, one BOUNDSHEET per sheet, EOF), then each sheet.
Bytes Book(uint16_t version, const std::vector<Rec>& globals, const std::vector<Sheet>& sheets) {
    Bytes out;
    auto put = [&out](uint16_t type, const Bytes& body) {
        Body header;
        header.U16(type).U16(static_cast<unsigned>(body.size()));
        out.insert(out.end(), header.bytes.begin(), header.bytes.end());
        out.insert(out.end(), body.begin(), body.end());
    };
    put(biff::record::kBof, Body().U16(version).U16(0x0005).U32(0).bytes);
    for (const Rec& rec : globals) put(rec.type, rec.body);
    std::vector<size_t> offsetAt;
    for (const Sheet& sheet : sheets) {
        offsetAt.push_back(out.size() + 4);
        Body body;
        body.U32(0).U16(0).bytes.insert(body.bytes.end(), sheet.name.begin(), sheet.name.end());
        put(biff::record::kBoundSheet, body.bytes);
    }
    put(biff::record::kEof, {});
    for (size_t i = 0; i < sheets.size(); ++i) {
        const auto at = static_cast<uint32_t>(out.size());
        for (int b = 0; b < 4; ++b) out[offsetAt[i] + b] = static_cast<uint8_t>(at >> (8 * b));
        put(biff::record::kBof, Body().U16(version).U16(0x0010).U32(0).bytes);
        for (const Rec& rec : sheets[i].records) put(rec.type, rec.body);
        put(biff::record::kEof, {});
    }
    return out;
}

constexpr uint16_t kBiff5 = 0x0500;
constexpr uint16_t kBiff8 = 0x0600;

// 采购订单 as a BIFF8 name in UTF-16.
Bytes Biff8ChineseName() {
    return Body().U8(4).U8(1).Hex("c7912d8da28b5553").bytes;
}

Bytes Biff8Book(const std::vector<Rec>& globals, const std::vector<Rec>& cells) {
    return Book(kBiff8, globals, {{Biff8ChineseName(), cells}});
}

RecordsetPtr Read(const Bytes& stream, const std::string& sheet = "采购订单") {
    return ReadBiffSheet(stream, sheet);
}

Value At(Recordset& rs, int index, const std::string& name) {
    rs.MoveFirst();
    for (int i = 0; i < index; ++i) rs.MoveNext();
    return rs.Field(name);
}

std::string FailureOf(const Bytes& stream) {
    try {
        Read(stream);
    } catch (const HostError& error) {
        EXPECT_EQ(error.error().number, error_number::kWorkbook);
        return error.error().description;
    }
    ADD_FAILURE() << "read without failure";
    return {};
}

TEST(BiffSharedStringsTest, StringsSplitAcrossContinueRecords) {
    // SST of four strings. The second starts in 8-bit characters and goes on in the CONTINUE
    // record in UTF-16 after a flags byte of its own; the third carries two rich-text runs and
    // a phonetic block that themselves run into the second CONTINUE; the fourth begins right at
    // a record boundary, without a flags byte of the continuation.
    Body sst;
    sst.U32(4).U32(4);
    sst.Compressed("POORD000001");
    sst.U16(5).U8(0).Raw("ab");  // "ab" + 采购订 continues
    Body first;
    first.U8(1).Hex("c7912d8da28b");
    first.U16(2).U8(0x0C).U16(2).U32(6).Raw("xy");  // rich + phonetic, "xy"
    first.U32(0).U16(0);                            // the first run and half the second...
    Body second;
    second.U16(0).Hex("010203040506");  // ...the rest of it and the phonetic block
    Body third;
    third.Compressed("17");

    const Bytes stream =
        Biff8Book({R(biff::record::kSst, sst), R(biff::record::kContinue, first),
                   R(biff::record::kContinue, second), R(biff::record::kContinue, third)},
                  {R(biff::record::kLabelSst, Body().Cell(0, 0).U32(0)),
                   R(biff::record::kLabelSst, Body().Cell(0, 1).U32(1)),
                   R(biff::record::kLabelSst, Body().Cell(0, 2).U32(2)),
                   R(biff::record::kLabelSst, Body().Cell(0, 3).U32(3))});
    RecordsetPtr rs = Read(stream);
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Field("F1"), Value("POORD000001"));
    EXPECT_EQ(rs->Field("F2"), Value("ab采购订"));
    EXPECT_EQ(rs->Field("F3"), Value("xy"));
    EXPECT_EQ(rs->Field("F4"), Value("17"));
}

TEST(BiffNumbersTest, RkFormsMulRkAndNumbers) {
    const auto rkDouble = [](double value, bool hundredths) {
        const auto high = static_cast<uint32_t>(std::bit_cast<uint64_t>(value) >> 32);
        return (high & 0xFFFFFFFC) | (hundredths ? 1u : 0u);
    };
    EXPECT_EQ(biff::DecodeRk(17u << 2 | 2), 17.0);
    EXPECT_EQ(biff::DecodeRk(static_cast<uint32_t>(-3) << 2 | 2), -3.0);
    EXPECT_EQ(biff::DecodeRk(2925u << 2 | 3), 29.25);  // hundredths of an integer
    EXPECT_EQ(biff::DecodeRk(rkDouble(2.5, false)), 2.5);
    EXPECT_EQ(biff::DecodeRk(rkDouble(1500.0, true)), 15.0);

    // Column A numbers only; column B mixes in a label and turns to text.
    const Bytes stream =
        Biff8Book({}, {R(biff::record::kRk, Body().Cell(0, 0).U32(1001u << 2 | 2)),
                       R(biff::record::kNumber, Body().Cell(1, 0).F64(2.925)),
                       R(biff::record::kMulRk, Body()
                                                   .U16(2)
                                                   .U16(0)
                                                   .U16(15)
                                                   .U32(7u << 2 | 2)
                                                   .U16(15)
                                                   .U32(1700u << 2 | 3)
                                                   .U16(15)
                                                   .U32(rkDouble(0.5, false))
                                                   .U16(2)),
                       R(biff::record::kLabel, Body().Cell(0, 1).U16(2).U8(1).Hex("0e7a8773")),
                       R(biff::record::kRk, Body().Cell(1, 1).U32(rkDouble(501.0, false)))});
    RecordsetPtr rs = Read(stream);
    ASSERT_EQ(rs->RecordCount(), 3);
    ASSERT_EQ(rs->FieldCount(), 3u);
    EXPECT_EQ(At(*rs, 0, "F1"), Value(1001.0));
    EXPECT_EQ(At(*rs, 1, "F1"), Value(2.925));
    EXPECT_EQ(At(*rs, 2, "F1"), Value(7.0));
    EXPECT_EQ(At(*rs, 0, "F2"), Value("税率"));
    EXPECT_EQ(At(*rs, 1, "F2"), Value("501"));
    EXPECT_EQ(At(*rs, 2, "F2"), Value("17"));
    EXPECT_EQ(At(*rs, 2, "F3"), Value(0.5));
}

TEST(BiffFormulaTest, CachedResultsOfEveryKind) {
    const auto result = [](unsigned kind, unsigned value) {
        return Body().U8(kind).U8(0).U8(value).U8(0).U8(0).U8(0).U16(0xFFFF);
    };
    const auto formula = [](unsigned row, unsigned column, const Body& cached) {
        Body body = Body().Cell(row, column);
        body.bytes.insert(body.bytes.end(), cached.bytes.begin(), cached.bytes.end());
        return body.U16(0).U32(0).U16(3).U8(0x1E).U16(1);  // flags, chain, =1
    };
    const Bytes stream =
        Biff8Book({}, {R(biff::record::kFormula, formula(0, 0, Body().F64(29.25))),
                       R(biff::record::kFormula, formula(0, 1, result(0, 0))),
                       R(0x04BC, Body().U32(0)),  // a shared formula between the cell and its text
                       R(biff::record::kString, Body().U16(2).U8(1).Hex("0e7a8773")),
                       R(biff::record::kFormula, formula(0, 2, result(1, 1))),
                       R(biff::record::kFormula, formula(0, 3, result(2, 7))),
                       R(biff::record::kFormula, formula(0, 4, result(3, 0))),
                       // A STRING that belongs to no formula is no cell.
                       R(biff::record::kString, Body().Compressed("stray")),
                       R(biff::record::kBoolErr, Body().Cell(0, 5).U8(0).U8(0)),
                       R(biff::record::kBoolErr, Body().Cell(0, 6).U8(7).U8(1)),
                       R(biff::record::kNumber, Body().Cell(0, 7).F64(1.0))});
    RecordsetPtr rs = Read(stream);
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Field("F1"), Value(29.25));
    EXPECT_EQ(rs->Field("F2"), Value("税率"));
    EXPECT_EQ(rs->Field("F3"), Value(1.0));
    EXPECT_TRUE(rs->Field("F4").IsNull());  // an error
    EXPECT_TRUE(rs->Field("F5").IsNull());  // empty text
    EXPECT_EQ(rs->Field("F6"), Value(0.0));
    EXPECT_TRUE(rs->Field("F7").IsNull());
}

TEST(Biff5TextTest, CodePage936NamesAndLabels) {
    // A sheet before the wanted one; names and labels in GBK, one label in an RSTRING.
    const Bytes stream =
        Book(kBiff5, {R(biff::record::kCodePage, Body().U16(936))},
             {{Body().U8(4).Hex("cbb5c3f7").bytes, {}},
              {Body().U8(8).Hex("b2c9b9bab6a9b5a5").bytes,
               {R(biff::record::kLabel, Body().Cell(0, 0).U16(4).Hex("cbb0c2ca")),
                R(biff::record::kLabel, Body().Cell(1, 0).U16(4).Hex("c2ddcbbf")),
                R(biff::record::kRString, Body().Cell(2, 0).U16(3).Raw("abc").U8(0)),
                R(biff::record::kNumber, Body().Cell(1, 1).F64(17.0))}}});
    RecordsetPtr rs = Read(stream);
    ASSERT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(At(*rs, 0, "F1"), Value("税率"));
    EXPECT_EQ(At(*rs, 1, "F1"), Value("螺丝"));
    EXPECT_EQ(At(*rs, 2, "F1"), Value("abc"));
    EXPECT_EQ(At(*rs, 1, "F2"), Value(17.0));
    EXPECT_EQ(Read(stream, "说明")->RecordCount(), 0);
}

TEST(Biff5TextTest, CodePage1252AndUndefinedBytes) {
    const Bytes stream = Book(kBiff5, {R(biff::record::kCodePage, Body().U16(1252))},
                              {{Body().U8(4).Raw("Data").bytes,
                                {R(biff::record::kLabel, Body().Cell(0, 0).U16(3).Hex("3580e9")),
                                 R(biff::record::kLabel, Body().Cell(0, 1).U16(2).Hex("8141"))}}});
    RecordsetPtr rs = Read(stream, "Data");
    EXPECT_EQ(rs->Field("F1"), Value("5€é"));
    EXPECT_EQ(rs->Field("F2"), Value("\xEF\xBF\xBD"
                                     "A"));  // 0x81 is not in code page 1252
}

TEST(BiffSheetTest, ChartsInsideTheSheetAreNotCells) {
    const Bytes stream =
        Biff8Book({}, {R(biff::record::kNumber, Body().Cell(0, 0).F64(1.0)),
                       R(biff::record::kBof, Body().U16(kBiff8).U16(0x0020).U32(0)),
                       R(biff::record::kNumber, Body().Cell(9, 9).F64(2.0)), R(biff::record::kEof),
                       R(biff::record::kNumber, Body().Cell(1, 0).F64(3.0))});
    RecordsetPtr rs = Read(stream);
    ASSERT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->FieldCount(), 1u);
    EXPECT_EQ(At(*rs, 1, "F1"), Value(3.0));
}

TEST(BiffRefusalTest, EncryptedOtherVersionsAndDamage) {
    EXPECT_NE(FailureOf(Biff8Book({R(biff::record::kFilePass, Body().U16(0))}, {})).find("密码"),
              std::string::npos);
    EXPECT_NE(FailureOf(Book(0x0400, {}, {{Biff8ChineseName(), {}}})).find("BIFF版本"),
              std::string::npos);
    Bytes biff4 = Biff8Book({}, {});
    biff4[1] = 0x04;  // BOF of BIFF4
    EXPECT_NE(FailureOf(biff4).find("早于Excel 5.0"), std::string::npos);

    EXPECT_NE(FailureOf(Biff8Book({}, {R(biff::record::kLabelSst, Body().Cell(0, 0).U32(0))}))
                  .find("共享字符串"),
              std::string::npos);
    EXPECT_NE(FailureOf(Biff8Book({}, {R(biff::record::kNumber, Body().Cell(0, 0).U16(1))}))
                  .find("已损坏"),
              std::string::npos);
    // A text longer than its record.
    EXPECT_NE(FailureOf(Biff8Book({}, {R(biff::record::kLabel, Body().Cell(0, 0).U16(200).U8(0))}))
                  .find("已损坏"),
              std::string::npos);

    Bytes longRecord = Biff8Book({}, {R(biff::record::kNumber, Body().Cell(0, 0).F64(1.0))});
    longRecord.resize(longRecord.size() + 9000);
    const size_t numberAt = longRecord.size() - 9000 - 4 - 18;
    longRecord[numberAt + 2] = 0x30;  // body length 0x2030 = 8240
    longRecord[numberAt + 3] = 0x20;
    EXPECT_NE(FailureOf(longRecord).find("超过允许的长度"), std::string::npos);

    Bytes farSheet = Biff8Book({}, {});
    const size_t boundSheetAt = 4 + 8 + 4;
    farSheet[boundSheetAt + 3] = 0x7F;  // its offset beyond the stream
    EXPECT_NE(FailureOf(farSheet).find("超出工作簿末尾"), std::string::npos);

    Bytes cut = Biff8Book({}, {R(biff::record::kNumber, Body().Cell(0, 0).F64(1.0))});
    cut.resize(cut.size() - 10);
    EXPECT_NE(FailureOf(cut).find("被截断"), std::string::npos);
}

// A compound file of version 4 (4096-byte sectors) with one stream, written sector by sector
// here; `loop` points the stream's second sector back at its first.
Bytes CompoundFile4096(const Bytes& stream, bool loop = false, bool directoryLoop = false) {
    constexpr size_t kSector = 4096;
    const size_t streamSectors = (stream.size() + kSector - 1) / kSector;
    Bytes file(kSector * (3 + streamSectors), 0);
    auto put32 = [&file](size_t at, uint32_t value) {
        for (int b = 0; b < 4; ++b) file[at + b] = static_cast<uint8_t>(value >> (8 * b));
    };
    auto put16 = [&file](size_t at, uint16_t value) {
        file[at] = static_cast<uint8_t>(value);
        file[at + 1] = static_cast<uint8_t>(value >> 8);
    };
    const uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), file.begin());
    put16(24, 0x3E);
    put16(26, 4);
    put16(28, 0xFFFE);
    put16(30, 12);
    put16(32, 6);
    put32(40, 1);           // directory sectors
    put32(44, 1);           // allocation table sectors
    put32(48, 1);           // first directory sector
    put32(56, 4096);        // mini stream cutoff
    put32(60, 0xFFFFFFFE);  // no mini allocation table
    put32(68, 0xFFFFFFFE);  // no further index
    put32(76, 0);           // the allocation table in sector 0
    for (size_t i = 1; i < 109; ++i) put32(76 + i * 4, 0xFFFFFFFF);
    // Sector 0: the allocation table.
    const size_t fat = kSector;
    for (size_t i = 0; i < kSector / 4; ++i) put32(fat + i * 4, 0xFFFFFFFF);
    put32(fat, 0xFFFFFFFD);
    put32(fat + 4, 0xFFFFFFFE);
    for (size_t i = 0; i < streamSectors; ++i) {
        const bool last = i + 1 == streamSectors;
        put32(fat + (2 + i) * 4, last ? 0xFFFFFFFE : static_cast<uint32_t>(3 + i));
    }
    if (loop) put32(fat + 3 * 4, 2);
    // Sector 1: the directory, root and the stream.
    const size_t dir = 2 * kSector;
    auto entry = [&](size_t index, const std::u16string& name, uint8_t type, uint32_t child,
                     uint32_t start, uint64_t size) {
        const size_t at = dir + index * 128;
        for (size_t c = 0; c < name.size(); ++c) put16(at + c * 2, name[c]);
        put16(at + 64, static_cast<uint16_t>((name.size() + 1) * 2));
        file[at + 66] = type;
        put32(at + 68, directoryLoop ? 1 : 0xFFFFFFFF);
        put32(at + 72, 0xFFFFFFFF);
        put32(at + 76, child);
        put32(at + 116, start);
        put32(at + 120, static_cast<uint32_t>(size));
        put32(at + 124, static_cast<uint32_t>(size >> 32));
    };
    entry(0, u"Root Entry", 5, 1, 0xFFFFFFFE, 0);
    entry(1, u"Workbook", 2, 0xFFFFFFFF, 2, stream.size());
    std::copy(stream.begin(), stream.end(), file.begin() + 3 * kSector);
    return file;
}

Bytes LargeBiff8Book() {
    std::vector<Rec> cells;
    for (unsigned row = 0; row < 800; ++row) {
        cells.push_back(R(biff::record::kNumber, Body().Cell(row, 0).F64(row + 0.5)));
    }
    return Biff8Book({}, cells);
}

TEST(CompoundFileTest, StreamsOfBothSectorSizesAndTheMiniStream) {
    const Bytes large = LargeBiff8Book();
    ASSERT_GT(large.size(), 4096u * 3);
    EXPECT_EQ(ReadWorkbookStream(CompoundFile4096(large)), large);

    // libgsf's 512-byte sectors: a stream past the cutoff and one in the mini stream.
    const Bytes small = Biff8Book({}, {R(biff::record::kNumber, Body().Cell(0, 0).F64(1.0))});
    for (const Bytes* stream : {&large, &small}) {
        const auto path = std::filesystem::temp_directory_path() / "q9-reader-biff-ole2.xls";
        {
            std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                                 &std::fclose);
            ASSERT_TRUE(file);
            WriteCompoundFile(file.get(), "Workbook", *stream);
        }
        RecordsetPtr rs = ReadSheet(path.string(), "采购订单");
        std::filesystem::remove(path);
        EXPECT_EQ(rs->RecordCount(), stream == &large ? 800 : 1);
        EXPECT_EQ(At(*rs, 0, "F1"), Value(stream == &large ? 0.5 : 1.0));
    }
}

TEST(CompoundFileTest, LoopsAndOverlongStreamsAreDamage) {
    const Bytes large = LargeBiff8Book();
    const auto failure = [](const Bytes& file) {
        try {
            ReadWorkbookStream(file);
        } catch (const HostError& error) {
            return error.error().description;
        }
        return std::string("no failure");
    };
    EXPECT_NE(failure(CompoundFile4096(large, true)).find("循环"), std::string::npos);
    EXPECT_NE(failure(CompoundFile4096(large, false, true)).find("目录循环"), std::string::npos);
    Bytes overlong = CompoundFile4096(large);
    overlong[2 * 4096 + 128 + 122] = 0x10;  // a size of over a megabyte in a smaller file
    EXPECT_NE(failure(overlong).find("大于文件本身"), std::string::npos);
    Bytes noWorkbook = CompoundFile4096(large);
    noWorkbook[2 * 4096 + 128] = 'X';
    EXPECT_NE(failure(noWorkbook).find("没有工作簿"), std::string::npos);
}

}  // namespace
}  // namespace q9
