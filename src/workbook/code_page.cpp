#include "workbook/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/error.h"
#include "workbook/sheet_table.h"

namespace q9 {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr size_t kRememberedTexts = 16384;
constexpr uint16_t kUnknownCode = 0xFFFF;
constexpr uint16_t kMissingCode = 0x0000;
// The code page of Unicode workbooks: their 8-bit strings hold the low bytes of UTF-16.
constexpr uint16_t kUtf16CodePage = 1200;

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

bool IsAscii(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte < 0x80; });
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

char32_t NextUtf8(std::string_view text, size_t at, size_t* length) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t expected = 1;
    char32_t character = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        *length = 1;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        expected = 2, character = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        expected = 3, character = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        expected = 4, character = lead & 0x07, minimum = 0x10000;
    }
    size_t n = 1;
    while (n < expected && at + n < text.size() &&
           (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80) {
        character = (character << 6) | (static_cast<unsigned char>(text[at + n]) & 0x3F);
        ++n;
    }
    *length = n;
    if (expected == 1 || n < expected || character < minimum || character > 0x10FFFF ||
        (character >= 0xD800 && character <= 0xDFFF)) {
        // Skip what belongs to the broken sequence, so one broken character counts once.
        while (at + *length < text.size() &&
               (static_cast<unsigned char>(text[at + *length]) & 0xC0) == 0x80 && *length < 4) {
            ++*length;
        }
        return kMalformedUtf8;
    }
    return character;
}

// One direction of the system's converter.
class CodePage::Converter {
  public:
    // Null when the system has no such converter; errno tells why.
    static std::unique_ptr<Converter> Open(const std::string& to, const std::string& from) {
        const iconv_t handle = iconv_open(to.c_str(), from.c_str());
        if (handle == reinterpret_cast<iconv_t>(-1)) return nullptr;
        return std::make_unique<Converter>(handle);
    }
    explicit Converter(iconv_t handle) : handle_(handle) {}
    ~Converter() { iconv_close(handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; false at a sequence it cannot convert. Starts afresh.
    bool Convert(char** in, size_t* inLeft, char** out, size_t* outLeft) {
        return iconv(handle_, in, inLeft, out, outLeft) != static_cast<size_t>(-1);
    }
    void Reset() { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t handle_;
};

CodePage::CodePage(uint16_t number) : number_(number) {}

CodePage::~CodePage() = default;

void CodePage::Decode(std::span<const uint8_t> bytes, std::string& utf8) {
    if (IsAscii(bytes)) {
        utf8.append(bytes.begin(), bytes.end());
        return;
    }
    if (number_ == kUtf16CodePage) {
        for (uint8_t byte : bytes) AppendUtf8(utf8, byte);
        return;
    }
    std::string key(bytes.begin(), bytes.end());
    if (const auto known = decoded_.find(key); known != decoded_.end()) {
        utf8 += known->second;
        return;
    }
    if (!decoder_) {
        decoder_ = Converter::Open("UTF-8", IconvName(number_));
        if (!decoder_) {
            ThrowWorkbookError("工作簿的文本使用代码页%1，本系统不能解码。",
                               {std::to_string(number_)});
        }
    }
    decoder_->Reset();

    const size_t start = utf8.size();
    utf8.resize(start + bytes.size() * 4 + 4);
    auto* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    size_t inLeft = bytes.size();
    char* to = utf8.data() + start;
    size_t toLeft = utf8.size() - start;
    while (inLeft > 0) {
        if (decoder_->Convert(&in, &inLeft, &to, &toLeft)) break;
        if (errno == E2BIG) break;  // cannot happen: four bytes out for every byte in
        // An undefined sequence, or one cut off at the end: replace a byte and go on.
        if (toLeft < 3) break;
        *to++ = static_cast<char>(0xEF);
        *to++ = static_cast<char>(0xBF);
        *to++ = static_cast<char>(0xBD);
        toLeft -= 3;
        ++in;
        --inLeft;
        decoder_->Reset();
    }
    utf8.resize(static_cast<size_t>(to - utf8.data()));
    if (decoded_.size() < kRememberedTexts) decoded_.emplace(std::move(key), utf8.substr(start));
}

uint16_t CodePage::CodeOf(char32_t character) {
    if (!encoder_) {
        encoder_ = Converter::Open(IconvName(number_), "UTF-32LE");
        if (!encoder_) {
            throw HostError(CatalogError(error_number::kCannotCreateObject,
                                         "没有转换到代码页%1的转换器：%2",
                                         {std::to_string(number_), std::strerror(errno)}));
        }
        codes_.assign(0x10000, kUnknownCode);
    }
    uint16_t& code = codes_[character];
    if (code != kUnknownCode) return code;
    unsigned char in[4] = {static_cast<unsigned char>(character),
                           static_cast<unsigned char>(character >> 8),
                           static_cast<unsigned char>(character >> 16), 0};
    char out[8];
    char* inPointer = reinterpret_cast<char*>(in);
    size_t inLeft = sizeof in;
    char* outPointer = out;
    size_t outLeft = sizeof out;
    encoder_->Reset();
    const bool converted = encoder_->Convert(&inPointer, &inLeft, &outPointer, &outLeft);
    const size_t written = sizeof out - outLeft;
    if (!converted || written == 0 || written > 2) {
        code = kMissingCode;
    } else if (written == 1) {
        code = static_cast<unsigned char>(out[0]);
    } else {
        code = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                     static_cast<unsigned char>(out[1]));
    }
    return code;
}

void CodePage::Encode(std::string_view utf8, std::string& out) {
    size_t at = 0;
    while (at < utf8.size()) {
        // Runs of ASCII, the bulk of numbers and codes, are copied as they are.
        size_t ascii = at;
        while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
        out.append(utf8.data() + at, ascii - at);
        at = ascii;
        if (at == utf8.size()) break;

        size_t length = 0;
        const char32_t character = NextUtf8(utf8, at, &length);
        at += length;
        const uint16_t code = character <= 0xFFFF ? CodeOf(character) : kMissingCode;
        if (code == kMissingCode) {
            out.push_back('?');
        } else if (code < 0x100) {
            out.push_back(static_cast<char>(code));
        } else {
            out.push_back(static_cast<char>(code >> 8));
            out.push_back(static_cast<char>(code & 0xFF));
        }
    }
}

std::string_view Cp936Prefix(std::string_view text, size_t maxBytes) {
    size_t end = 0;
    while (end < text.size()) {
        const auto lead = static_cast<unsigned char>(text[end]);
        const size_t width = (lead >= 0x81 && lead <= 0xFE) ? 2 : 1;
        if (end + width > maxBytes) break;
        end += width;
    }
    return text.substr(0, std::min(end, text.size()));
}

}  // namespace q9
