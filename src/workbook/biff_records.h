#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace q9::biff {

// The longest record body BIFF8 allows (BIFF5 stays below it).
inline constexpr size_t kMaxRecordBody = 8224;

// The records that the reader and the writer know, by their ids in BIFF5 and BIFF8.
namespace record {
inline constexpr uint16_t kFormula = 0x0006;
inline constexpr uint16_t kEof = 0x000A;
inline constexpr uint16_t kFilePass = 0x002F;
inline constexpr uint16_t kFont = 0x0031;
inline constexpr uint16_t kContinue = 0x003C;
inline constexpr uint16_t kWindow1 = 0x003D;
inline constexpr uint16_t kCodePage = 0x0042;
inline constexpr uint16_t kBoundSheet = 0x0085;
inline constexpr uint16_t kMulRk = 0x00BD;
inline constexpr uint16_t kRString = 0x00D6;
inline constexpr uint16_t kXf = 0x00E0;
inline constexpr uint16_t kSst = 0x00FC;
inline constexpr uint16_t kLabelSst = 0x00FD;
inline constexpr uint16_t kDimensions = 0x0200;
inline constexpr uint16_t kNumber = 0x0203;
inline constexpr uint16_t kLabel = 0x0204;
inline constexpr uint16_t kBoolErr = 0x0205;
inline constexpr uint16_t kString = 0x0207;
inline constexpr uint16_t kWindow2 = 0x023E;
inline constexpr uint16_t kRk = 0x027E;
inline constexpr uint16_t kStyle = 0x0293;
inline constexpr uint16_t kBof = 0x0809;
}  // namespace record

// BOF fields: the version and the kind of substream that follows.
inline constexpr uint16_t kBiff5Version = 0x0500;
inline constexpr uint16_t kBiff8Version = 0x0600;
inline constexpr uint16_t kWorkbookGlobals = 0x0005;
inline constexpr uint16_t kWorksheet = 0x0010;

// The workbook stream of a compound file: BIFF5 names it `Book`, BIFF8 `Workbook`.
inline constexpr const char* kBiff5StreamName = "Book";
inline constexpr const char* kBiff8StreamName = "Workbook";

// The value of an RK number: a 30-bit integer or the high 30 bits of a double, optionally
// hundredths.
double DecodeRk(uint32_t rk);

struct Record {
    uint16_t type = 0;
    size_t offset = 0;  // of its header in the stream
    std::span<const uint8_t> body;
};

// Walks the records of a workbook stream held in memory. Nothing is copied.
class RecordReader {
  public:
    explicit RecordReader(std::span<const uint8_t> stream) : stream_(stream) {}

    // Continues at a record header at `offset` (a sheet's BOF).
    void Seek(size_t offset);
    // The next record, false at the end of the stream. Throws when a header or a body runs past
    // the end of the stream or a body is longer than a record may be.
    bool Next(Record& record);
    // The type of the record Next would return, none at the end of the stream.
    std::optional<uint16_t> PeekType() const;

  private:
    std::span<const uint8_t> stream_;
    size_t position_ = 0;
};

// The body of one record with the bodies of the CONTINUE records that follow it, read front to
// back as one run of bytes, every read bounds-checked. The characters of a BIFF8 string that
// go on in the next piece start there with a new flags byte, which says whether they are 8- or
// 16-bit.
class RecordBody {
  public:
    explicit RecordBody(std::span<const uint8_t> body) : current_(body) {}
    void AddContinuation(std::span<const uint8_t> body) { rest_.push_back(body); }

    bool AtEnd();
    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    double F64();
    void Skip(size_t count);
    // `count` bytes of the current piece (they may not cross into the next).
    std::span<const uint8_t> Bytes(size_t count);

    // A BIFF8 unicode string, its character count in `countBytes` (1 or 2) bytes, as UTF-8;
    // rich-text runs and the phonetic block after it are stepped over.
    std::string UnicodeString(size_t countBytes);

  private:
    // Makes the current piece non-empty; false when every piece is used up.
    bool Refill();
    void Read(uint8_t* to, size_t count);

    std::span<const uint8_t> current_;
    std::vector<std::span<const uint8_t>> rest_;
    size_t nextPiece_ = 0;
    std::u16string units_;
};

}  // namespace q9::biff
