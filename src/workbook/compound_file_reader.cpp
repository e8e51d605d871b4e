#include "workbook/compound_file_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "workbook/biff_records.h"
#include "workbook/sheet_table.h"

namespace q9 {

namespace {

constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr size_t kHeaderBytes = 512;
constexpr size_t kDirectoryEntryBytes = 128;
constexpr size_t kMiniSectorBytes = 64;
constexpr size_t kHeaderFatEntries = 109;
constexpr uint8_t kStreamEntry = 2;
constexpr uint8_t kRootEntry = 5;

struct DirectoryEntry {
    std::u16string name;
    uint8_t type = 0;
    uint32_t left = kNoEntry;
    uint32_t right = kNoEntry;
    uint32_t child = kNoEntry;
    uint32_t start = kEndOfChain;
    uint64_t size = 0;
};

bool NameIs(const std::u16string& name, const char* ascii) {
    const size_t length = std::strlen(ascii);
    if (name.size() != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char16_t c = name[i];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        char a = ascii[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (c != static_cast<char16_t>(a)) return false;
    }
    return true;
}

class CompoundFileReader {
  public:
    explicit CompoundFileReader(std::span<const uint8_t> file) : file_(file) {
        static constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        if (file_.size() < kHeaderBytes) ThrowWorkbookDamaged("文件头被截断");
        if (std::memcmp(file_.data(), kSignature, sizeof kSignature) != 0) {
            ThrowWorkbookDamaged("不是复合文档");
        }
        const uint16_t shift = U16(30);
        if (shift != 9 && shift != 12) ThrowWorkbookDamaged("扇区大小无效");
        if (U16(32) != 6) ThrowWorkbookDamaged("短扇区大小无效");
        sectorSize_ = size_t{1} << shift;
        // The header takes the place of sector -1, padded to a whole sector.
        sectorCount_ = file_.size() > sectorSize_
                           ? (file_.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_
                           : 0;
        wideSizes_ = U16(26) >= 4;
        miniCutoff_ = U32(56);
        fat_ = ReadFat();
    }

    std::vector<uint8_t> WorkbookStream() {
        const std::vector<DirectoryEntry> entries = ReadDirectory();
        if (entries.empty() || entries[0].type != kRootEntry) {
            ThrowWorkbookDamaged("目录没有根目录项");
        }
        const DirectoryEntry* workbook = nullptr;
        const DirectoryEntry* book = nullptr;
        bool encryptedPackage = false;
        bool encryptionInfo = false;
        for (uint32_t index : RootChildren(entries)) {
            const DirectoryEntry& entry = entries[index];
            if (entry.type != kStreamEntry) continue;
            if (!workbook && NameIs(entry.name, biff::kBiff8StreamName)) workbook = &entry;
            if (!book && NameIs(entry.name, biff::kBiff5StreamName)) book = &entry;
            encryptedPackage = encryptedPackage || NameIs(entry.name, "EncryptedPackage");
            encryptionInfo = encryptionInfo || NameIs(entry.name, "EncryptionInfo");
        }
        const DirectoryEntry* chosen = workbook ? workbook : book;
        // An .xlsx saved with a password to open: the package, encrypted, inside a compound file.
        if (!chosen && encryptedPackage && encryptionInfo) {
            ThrowWorkbookError(kPasswordProtectedWorkbook);
        }
        if (!chosen) {
            ThrowWorkbookError("该文件是复合文档，但其中没有工作簿（没有Workbook或Book数据流）。");
        }
        if (chosen->size < miniCutoff_) return ReadMiniStream(entries[0], *chosen);
        return ReadStream(chosen->start, chosen->size);
    }

  private:
    uint16_t U16(size_t at) const {
        if (at > file_.size() || file_.size() - at < 2) ThrowWorkbookDamaged("文件头被截断");
        return static_cast<uint16_t>(file_[at] | file_[at + 1] << 8);
    }
    uint32_t U32(size_t at) const {
        return static_cast<uint32_t>(U16(at)) | static_cast<uint32_t>(U16(at + 2)) << 16;
    }

    // The bytes of a sector; the last sector of a file may be short when it only ends a stream.
    std::span<const uint8_t> SectorData(uint32_t sector) const {
        if (sector >= sectorCount_) ThrowWorkbookDamaged("扇区号超出文件末尾");
        const size_t at = (static_cast<size_t>(sector) + 1) * sectorSize_;
        return file_.subspan(at, std::min(sectorSize_, file_.size() - at));
    }
    // A sector of the file's own tables, which must be whole.
    std::span<const uint8_t> Sector(uint32_t sector) const {
        const std::span<const uint8_t> bytes = SectorData(sector);
        if (bytes.size() < sectorSize_) ThrowWorkbookDamaged("文件被截断");
        return bytes;
    }

    static uint32_t EntryOf(std::span<const uint8_t> bytes, size_t at) {
        if (at + 4 > bytes.size()) return kFreeSector;
        return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
               static_cast<uint32_t>(bytes[at + 2]) << 16 |
               static_cast<uint32_t>(bytes[at + 3]) << 24;
    }

    void AppendEntries(std::span<const uint8_t> sector, std::vector<uint32_t>& table) const {
        for (size_t at = 0; at < sectorSize_; at += 4) table.push_back(EntryOf(sector, at));
    }

    std::vector<uint32_t> ReadFat() const {
        const uint32_t fatCount = U32(44);
        if (fatCount > sectorCount_) ThrowWorkbookDamaged("分配表大于文件本身");
        std::vector<uint32_t> fatSectors;
        fatSectors.reserve(fatCount);
        for (size_t i = 0; i < kHeaderFatEntries && fatSectors.size() < fatCount; ++i) {
            fatSectors.push_back(U32(76 + i * 4));
        }
        uint32_t difat = U32(68);
        size_t visited = 0;
        while (fatSectors.size() < fatCount) {
            if (difat == kEndOfChain || difat == kFreeSector) {
                ThrowWorkbookDamaged("分配表索引被截断");
            }
            if (++visited > sectorCount_) ThrowWorkbookDamaged("分配表索引循环");
            const std::span<const uint8_t> sector = Sector(difat);
            for (size_t at = 0; at + 4 < sectorSize_ && fatSectors.size() < fatCount; at += 4) {
                fatSectors.push_back(EntryOf(sector, at));
            }
            difat = EntryOf(sector, sectorSize_ - 4);
        }
        std::vector<uint32_t> fat;
        fat.reserve(static_cast<size_t>(fatCount) * (sectorSize_ / 4));
        for (uint32_t sector : fatSectors) AppendEntries(Sector(sector), fat);
        return fat;
    }

    // The sectors of a chain in `table`: `wanted` of them, or up to its end when none is given.
    static std::vector<uint32_t> Chain(uint32_t start, const std::vector<uint32_t>& table,
                                       std::optional<size_t> wanted) {
        std::vector<uint32_t> chain;
        if (wanted) chain.reserve(*wanted);
        std::vector<bool> seen(table.size(), false);
        for (uint32_t s = start; !wanted || chain.size() < *wanted; s = table[s]) {
            if (s == kEndOfChain) {
                if (wanted) ThrowWorkbookDamaged("数据流短于其声明的大小");
                break;
            }
            if (s > kMaxRegularSector || s >= table.size()) {
                ThrowWorkbookDamaged("扇区链超出分配表");
            }
            if (seen[s]) ThrowWorkbookDamaged("扇区链循环");
            seen[s] = true;
            chain.push_back(s);
        }
        return chain;
    }

    std::vector<uint8_t> ReadStream(uint32_t start, uint64_t size) const {
        if (size > file_.size()) ThrowWorkbookDamaged("数据流大于文件本身");
        const auto length = static_cast<size_t>(size);
        const std::vector<uint32_t> chain =
            Chain(start, fat_, (length + sectorSize_ - 1) / sectorSize_);
        std::vector<uint8_t> out(length);
        size_t done = 0;
        for (uint32_t sector : chain) {
            const std::span<const uint8_t> bytes = SectorData(sector);
            const size_t take = std::min(sectorSize_, length - done);
            if (bytes.size() < take) ThrowWorkbookDamaged("数据流被截断");
            std::memcpy(out.data() + done, bytes.data(), take);
            done += take;
        }
        return out;
    }

    std::vector<uint8_t> ReadMiniStream(const DirectoryEntry& root,
                                        const DirectoryEntry& entry) const {
        const std::vector<uint8_t> container = ReadStream(root.start, root.size);
        std::vector<uint32_t> miniFat;
        for (uint32_t sector : Chain(U32(60), fat_, std::nullopt)) {
            AppendEntries(Sector(sector), miniFat);
        }
        const auto length = static_cast<size_t>(entry.size);
        const std::vector<uint32_t> chain =
            Chain(entry.start, miniFat, (length + kMiniSectorBytes - 1) / kMiniSectorBytes);
        std::vector<uint8_t> out(length);
        size_t done = 0;
        for (uint32_t mini : chain) {
            const size_t at = static_cast<size_t>(mini) * kMiniSectorBytes;
            const size_t take = std::min(kMiniSectorBytes, length - done);
            if (at > container.size() || container.size() - at < take) {
                ThrowWorkbookDamaged("短数据流超出短流区");
            }
            std::memcpy(out.data() + done, container.data() + at, take);
            done += take;
        }
        return out;
    }

    std::vector<DirectoryEntry> ReadDirectory() const {
        std::vector<DirectoryEntry> entries;
        for (uint32_t sector : Chain(U32(48), fat_, std::nullopt)) {
            const std::span<const uint8_t> bytes = Sector(sector);
            for (size_t at = 0; at + kDirectoryEntryBytes <= bytes.size();
                 at += kDirectoryEntryBytes) {
                entries.push_back(ParseEntry(bytes.subspan(at, kDirectoryEntryBytes)));
            }
        }
        return entries;
    }

    DirectoryEntry ParseEntry(std::span<const uint8_t> raw) const {
        DirectoryEntry entry;
        const size_t nameBytes = static_cast<size_t>(raw[64] | raw[65] << 8);
        const size_t units = nameBytes >= 2 && nameBytes <= 64 ? nameBytes / 2 - 1 : 0;
        for (size_t i = 0; i < units; ++i) {
            entry.name.push_back(static_cast<char16_t>(raw[i * 2] | raw[i * 2 + 1] << 8));
        }
        entry.type = raw[66];
        entry.left = EntryOf(raw, 68);
        entry.right = EntryOf(raw, 72);
        entry.child = EntryOf(raw, 76);
        entry.start = EntryOf(raw, 116);
        entry.size = EntryOf(raw, 120);
        // Version 3 files may leave garbage in the high half of the size.
        if (wideSizes_) entry.size |= static_cast<uint64_t>(EntryOf(raw, 124)) << 32;
        return entry;
    }

    // Entries of the root storage: its child and that child's siblings, a tree walked with a
    // stack; an entry met twice is a loop.
    static std::vector<uint32_t> RootChildren(const std::vector<DirectoryEntry>& entries) {
        std::vector<uint32_t> found;
        std::vector<bool> seen(entries.size(), false);
        std::vector<uint32_t> pending{entries[0].child};
        while (!pending.empty()) {
            const uint32_t index = pending.back();
            pending.pop_back();
            if (index == kNoEntry) continue;
            if (index >= entries.size()) ThrowWorkbookDamaged("目录引用超出其末尾");
            if (seen[index]) ThrowWorkbookDamaged("目录循环");
            seen[index] = true;
            found.push_back(index);
            pending.push_back(entries[index].left);
            pending.push_back(entries[index].right);
        }
        return found;
    }

    std::span<const uint8_t> file_;
    size_t sectorSize_ = 512;
    size_t sectorCount_ = 0;
    bool wideSizes_ = false;
    uint32_t miniCutoff_ = 4096;
    std::vector<uint32_t> fat_;
};

}  // namespace

std::vector<uint8_t> ReadWorkbookStream(std::span<const uint8_t> file) {
    return CompoundFileReader(file).WorkbookStream();
}

}  // namespace q9
