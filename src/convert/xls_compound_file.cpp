#include "convert/xls_compound_file.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "convert/sheet_table.h"

namespace q9 {

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint16_t kNameRecord = 0x0018;
constexpr uint16_t kMaxRecordBytes = 8224;
constexpr uint64_t kMaxFileBytes = 512ULL << 20;

[[noreturn]] void ThrowDamaged(const std::string& what) {
    ThrowWorkbookError("The workbook is damaged: " + what + ".");
}

class CompoundFile {
  public:
    explicit CompoundFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
        if (bytes_.size() < 512) ThrowDamaged("its header is cut short");
        const uint16_t shift = U16(30);
        if (shift != 9 && shift != 12) ThrowDamaged("its sector size is invalid");
        sectorSize_ = size_t{1} << shift;
        sectorCount_ = (bytes_.size() - 512 + sectorSize_ - 1) / sectorSize_;
        miniCutoff_ = U32(56);
        ReadAllocationTable();
    }

    std::vector<uint8_t>& bytes() { return bytes_; }

    // File offsets of the workbook stream's bytes, sector by sector, and its length.
    bool FindWorkbookStream(std::vector<size_t>* pieces, size_t* pieceSize, uint64_t* length) {
        std::vector<size_t> directory = Chain(U32(48), fat_, sectorSize_, 0);
        const size_t entries = directory.size() * sectorSize_ / 128;
        uint32_t rootStart = kEndOfChain;
        for (size_t i = 0; i < entries; ++i) {
            const size_t at = directory[i * 128 / sectorSize_] + (i * 128) % sectorSize_;
            const uint16_t nameBytes = U16(at + 64);
            const uint8_t type = bytes_[at + 66];
            // FreeXL trusts this length when it decodes the name.
            if (nameBytes > 64 || nameBytes % 2 != 0) ThrowDamaged("its directory is invalid");
            if (type == 5) rootStart = U32(at + 116);
            if (type != 2) continue;
            std::string name;
            for (size_t c = 0; c + 2 < nameBytes; c += 2) {
                name.push_back(U16(at + c) < 128 ? static_cast<char>(U16(at + c)) : '?');
            }
            if (name != "Workbook" && name != "Book") continue;
            *length = U32(at + 120);
            if (*length < miniCutoff_) {
                std::vector<size_t> miniStream = Chain(rootStart, fat_, sectorSize_, 0);
                std::vector<uint32_t> miniFat = TableFrom(Chain(U32(60), fat_, sectorSize_, 0));
                *pieceSize = 64;
                for (size_t mini : ChainIndexes(U32(at + 116), miniFat, *length, 64)) {
                    const size_t logical = mini * 64;
                    if (logical / sectorSize_ >= miniStream.size()) {
                        ThrowDamaged("its mini stream is cut short");
                    }
                    pieces->push_back(miniStream[logical / sectorSize_] + logical % sectorSize_);
                }
            } else {
                *pieceSize = sectorSize_;
                *pieces = Chain(U32(at + 116), fat_, sectorSize_, *length);
            }
            return true;
        }
        return false;
    }

  private:
    uint16_t U16(size_t at) const {
        if (at + 2 > bytes_.size()) ThrowDamaged("a structure lies beyond its end");
        return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
    }
    uint32_t U32(size_t at) const {
        return static_cast<uint32_t>(U16(at)) | static_cast<uint32_t>(U16(at + 2)) << 16;
    }
    size_t SectorOffset(uint32_t sector) const {
        if (sector >= sectorCount_) ThrowDamaged("a sector number lies beyond its end");
        return 512 + static_cast<size_t>(sector) * sectorSize_;
    }

    std::vector<uint32_t> TableFrom(const std::vector<size_t>& sectors) const {
        std::vector<uint32_t> table;
        for (size_t offset : sectors) {
            for (size_t i = 0; i < sectorSize_ && offset + i + 4 <= bytes_.size(); i += 4) {
                table.push_back(U32(offset + i));
            }
        }
        return table;
    }

    void ReadAllocationTable() {
        std::vector<size_t> fatSectors;
        const uint32_t fatCount = U32(44);
        if (fatCount > sectorCount_) ThrowDamaged("its allocation table is larger than the file");
        for (size_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i) {
            fatSectors.push_back(SectorOffset(U32(76 + i * 4)));
        }
        uint32_t difat = U32(68);
        size_t guard = 0;
        while (fatSectors.size() < fatCount && difat != kEndOfChain && difat != kFreeSector) {
            if (++guard > sectorCount_) ThrowDamaged("its allocation index loops");
            const size_t at = SectorOffset(difat);
            for (size_t i = 0; i + 4 < sectorSize_ && fatSectors.size() < fatCount; i += 4) {
                fatSectors.push_back(SectorOffset(U32(at + i)));
            }
            difat = U32(at + sectorSize_ - 4);
        }
        fat_ = TableFrom(fatSectors);
    }

    // Sector numbers of a chain; a chain longer than the table has entries loops.
    std::vector<size_t> ChainIndexes(uint32_t start, const std::vector<uint32_t>& table,
                                     uint64_t length, size_t unit) const {
        std::vector<size_t> chain;
        const size_t wanted = length ? static_cast<size_t>((length + unit - 1) / unit) : 0;
        for (uint32_t s = start; s != kEndOfChain && (wanted == 0 || chain.size() < wanted);) {
            if (s >= table.size()) ThrowDamaged("a chain of sectors leaves the file");
            if (chain.size() >= table.size()) ThrowDamaged("a chain of sectors loops");
            chain.push_back(s);
            s = table[s];
        }
        if (chain.size() < wanted) ThrowDamaged("a stream is cut short");
        return chain;
    }

    std::vector<size_t> Chain(uint32_t start, const std::vector<uint32_t>& table, size_t unit,
                              uint64_t length) const {
        std::vector<size_t> offsets;
        for (size_t sector : ChainIndexes(start, table, length, unit)) {
            offsets.push_back(SectorOffset(static_cast<uint32_t>(sector)));
        }
        return offsets;
    }

    std::vector<uint8_t> bytes_;
    size_t sectorSize_ = 512;
    size_t sectorCount_ = 0;
    uint32_t miniCutoff_ = 4096;
    std::vector<uint32_t> fat_;
};

}  // namespace

XlsFileForReading::XlsFileForReading(const std::string& path) : path_(path) {
    std::error_code error;
    const auto fileSize = std::filesystem::file_size(path, error);
    if (error) ThrowWorkbookError("The workbook cannot be opened: " + error.message() + ".");
    if (fileSize > kMaxFileBytes) ThrowWorkbookError("The workbook is too large to read.");
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (!in && !in.eof()) ThrowWorkbookError("The workbook cannot be read.");

    CompoundFile file(std::move(bytes));
    std::vector<size_t> pieces;
    size_t pieceSize = 0;
    uint64_t length = 0;
    if (!file.FindWorkbookStream(&pieces, &pieceSize, &length)) {
        ThrowWorkbookError("The file holds no workbook stream.");
    }
    auto offsetOf = [&](uint64_t logical) -> size_t {
        const size_t at = pieces[logical / pieceSize] + logical % pieceSize;
        if (at >= file.bytes().size()) ThrowDamaged("the workbook stream is cut short");
        return at;
    };
    bool patched = false;
    for (uint64_t pos = 0; pos + 4 <= length;) {
        auto& b = file.bytes();
        const uint16_t type = static_cast<uint16_t>(b[offsetOf(pos)] | b[offsetOf(pos + 1)] << 8);
        const uint16_t size =
            static_cast<uint16_t>(b[offsetOf(pos + 2)] | b[offsetOf(pos + 3)] << 8);
        // FreeXL copies records by their stated length without looking.
        if (size > kMaxRecordBytes || pos + 4 + size > length) {
            ThrowDamaged("a record runs past the end of the workbook stream");
        }
        if (type == kNameRecord) {
            for (uint64_t i = pos + 4; i < pos + 4 + size && i < length; ++i) {
                uint8_t& byte = b[offsetOf(i)];
                if (byte >= 0x80) {
                    byte = '_';
                    patched = true;
                }
            }
        }
        pos += 4u + size;
    }
    if (!patched) return;

    std::string name = (std::filesystem::temp_directory_path() / "q9-xls-XXXXXX").string();
    const int fd = mkstemp(name.data());
    if (fd < 0) ThrowWorkbookError("The workbook cannot be prepared for reading.");
    temporary_ = name;
    const auto& b = file.bytes();
    size_t done = 0;
    while (done < b.size()) {
        const ssize_t n = write(fd, b.data() + done, b.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    if (done != b.size()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        ThrowWorkbookError("The workbook cannot be prepared for reading.");
    }
    path_ = temporary_;
}

XlsFileForReading::~XlsFileForReading() {
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
    }
}

}  // namespace q9
