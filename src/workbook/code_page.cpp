#include "workbook/code_page.h"

#include <iconv.h>

#include <cerrno>

#include "workbook/sheet_table.h"

namespace q9::biff {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr size_t kRememberedTexts = 16384;

// The converter's name for a code page of the CODEPAGE record.
std::string IconvName(uint16_t codePage) {
    switch (codePage) {
        case 367:
        case 1252:
        case 32769:  // Excel's own number for 1252
            return "CP1252";
        case 10000:
        case 32768:
            return "MACINTOSH";
        default:
            return "CP" + std::to_string(codePage);
    }
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        codePoint = kReplacement;
    }
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | codePoint >> 6));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | codePoint >> 12));
        out.push_back(static_cast<char>(0x80 | (codePoint >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | codePoint >> 18));
        out.push_back(static_cast<char>(0x80 | (codePoint >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

void AppendUtf16(std::string& out, std::span<const char16_t> units) {
    for (size_t i = 0; i < units.size(); ++i) {
        const uint32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, unit);
        }
    }
}

struct CodePageDecoder::Converter {
    explicit Converter(uint16_t codePage)
        : handle(iconv_open("UTF-8", IconvName(codePage).c_str())) {
        if (handle == reinterpret_cast<iconv_t>(-1)) {
            ThrowWorkbookError("The workbook's text is in code page " + std::to_string(codePage) +
                               ", which cannot be decoded on this system.");
        }
    }
    ~Converter() { iconv_close(handle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t handle;
};

CodePageDecoder::CodePageDecoder(uint16_t codePage) : codePage_(codePage) {}

CodePageDecoder::~CodePageDecoder() = default;

void CodePageDecoder::Append(std::string& out, std::span<const uint8_t> bytes) {
    bool ascii = true;
    for (uint8_t byte : bytes) ascii = ascii && byte < 0x80;
    if (ascii) {
        out.append(bytes.begin(), bytes.end());
        return;
    }
    // The code page of Unicode workbooks: their 8-bit strings hold the low bytes of UTF-16.
    if (codePage_ == 1200) {
        for (uint8_t byte : bytes) AppendUtf8(out, byte);
        return;
    }
    std::string key(bytes.begin(), bytes.end());
    if (const auto known = decoded_.find(key); known != decoded_.end()) {
        out += known->second;
        return;
    }
    if (!converter_) converter_ = std::make_unique<Converter>(codePage_);
    iconv(converter_->handle, nullptr, nullptr, nullptr, nullptr);

    const size_t start = out.size();
    out.resize(start + bytes.size() * 4 + 4);
    auto* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    size_t inLeft = bytes.size();
    char* to = out.data() + start;
    size_t toLeft = out.size() - start;
    while (inLeft > 0) {
        if (iconv(converter_->handle, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) break;  // cannot happen: four bytes out for every byte in
        // An undefined sequence, or one cut off at the end: replace a byte and go on.
        if (toLeft < 3) break;
        *to++ = static_cast<char>(0xEF);
        *to++ = static_cast<char>(0xBF);
        *to++ = static_cast<char>(0xBD);
        toLeft -= 3;
        ++in;
        --inLeft;
        iconv(converter_->handle, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<size_t>(to - out.data()));
    if (decoded_.size() < kRememberedTexts) decoded_.emplace(std::move(key), out.substr(start));
}

}  // namespace q9::biff
