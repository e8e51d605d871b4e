#include "workbook/biff_records.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "workbook/code_page.h"
#include "workbook/sheet_table.h"

namespace q9::biff {

double DecodeRk(uint32_t rk) {
    double value = 0;
    if (rk & 2) {
        value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        value = std::bit_cast<double>(static_cast<uint64_t>(rk & 0xFFFFFFFC) << 32);
    }
    return (rk & 1) ? value / 100 : value;
}

void RecordReader::Seek(size_t offset) {
    if (offset >= stream_.size()) ThrowWorkbookDamaged("工作表的起点超出工作簿末尾");
    position_ = offset;
}

bool RecordReader::Next(Record& record) {
    if (position_ >= stream_.size()) return false;
    if (stream_.size() - position_ < 4) ThrowWorkbookDamaged("记录被截断");
    const uint8_t* header = stream_.data() + position_;
    const size_t length = static_cast<size_t>(header[2] | header[3] << 8);
    if (length > kMaxRecordBody) ThrowWorkbookDamaged("记录超过允许的长度");
    if (stream_.size() - position_ - 4 < length) ThrowWorkbookDamaged("记录被截断");
    record.type = static_cast<uint16_t>(header[0] | header[1] << 8);
    record.offset = position_;
    record.body = stream_.subspan(position_ + 4, length);
    position_ += 4 + length;
    return true;
}

std::optional<uint16_t> RecordReader::PeekType() const {
    if (position_ >= stream_.size() || stream_.size() - position_ < 4) return std::nullopt;
    return static_cast<uint16_t>(stream_[position_] | stream_[position_ + 1] << 8);
}

bool RecordBody::Refill() {
    while (current_.empty()) {
        if (nextPiece_ >= rest_.size()) return false;
        current_ = rest_[nextPiece_++];
    }
    return true;
}

bool RecordBody::AtEnd() {
    return !Refill();
}

void RecordBody::Read(uint8_t* to, size_t count) {
    while (count > 0) {
        if (!Refill()) ThrowWorkbookDamaged("记录短于其内容");
        const size_t take = std::min(count, current_.size());
        std::memcpy(to, current_.data(), take);
        current_ = current_.subspan(take);
        to += take;
        count -= take;
    }
}

uint8_t RecordBody::U8() {
    uint8_t byte = 0;
    Read(&byte, 1);
    return byte;
}

uint16_t RecordBody::U16() {
    uint8_t bytes[2];
    if (current_.size() >= 2) {  // the usual case: no piece boundary in between
        std::memcpy(bytes, current_.data(), 2);
        current_ = current_.subspan(2);
    } else {
        Read(bytes, 2);
    }
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

uint32_t RecordBody::U32() {
    uint8_t bytes[4];
    if (current_.size() >= 4) {
        std::memcpy(bytes, current_.data(), 4);
        current_ = current_.subspan(4);
    } else {
        Read(bytes, 4);
    }
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

double RecordBody::F64() {
    uint8_t bytes[8];
    Read(bytes, 8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes[i];
    return std::bit_cast<double>(bits);
}

void RecordBody::Skip(size_t count) {
    while (count > 0) {
        if (!Refill()) ThrowWorkbookDamaged("记录短于其内容");
        const size_t take = std::min(count, current_.size());
        current_ = current_.subspan(take);
        count -= take;
    }
}

std::span<const uint8_t> RecordBody::Bytes(size_t count) {
    if (count == 0) return {};
    if (!Refill() || current_.size() < count) ThrowWorkbookDamaged("文本超出其记录");
    const std::span<const uint8_t> bytes = current_.first(count);
    current_ = current_.subspan(count);
    return bytes;
}

std::string RecordBody::UnicodeString(size_t countBytes) {
    const size_t count = countBytes == 1 ? U8() : U16();
    uint8_t flags = U8();
    const size_t runs = (flags & 0x08) ? U16() : 0;
    const size_t phonetic = (flags & 0x04) ? U32() : 0;

    std::string out;
    units_.clear();
    bool ascii = true;
    for (size_t left = count; left > 0;) {
        if (current_.empty()) {
            // The characters go on in the next CONTINUE record, after a flags byte of their own.
            if (!Refill()) ThrowWorkbookDamaged("文本超出其记录");
            flags = current_[0];
            current_ = current_.subspan(1);
            if (!Refill()) ThrowWorkbookDamaged("文本超出其记录");
        }
        const bool wide = flags & 0x01;
        const size_t take = std::min(left, current_.size() / (wide ? 2 : 1));
        if (take == 0) ThrowWorkbookDamaged("文本把一个字符截成两半");
        for (size_t i = 0; i < take; ++i) {
            const char16_t unit =
                wide ? static_cast<char16_t>(current_[2 * i] | current_[2 * i + 1] << 8)
                     : static_cast<char16_t>(current_[i]);
            ascii = ascii && unit < 0x80;
            units_.push_back(unit);
        }
        current_ = current_.subspan(take * (wide ? 2 : 1));
        left -= take;
    }
    if (ascii) {
        out.assign(units_.begin(), units_.end());
    } else {
        out.reserve(units_.size() * 3);
        AppendUtf16(out, units_);
    }
    Skip(runs * 4 + phonetic);
    return out;
}

}  // namespace q9::biff
