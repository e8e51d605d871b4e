#include "workbook/cp936_encoder.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/error.h"

namespace q9 {

namespace {

constexpr uint16_t kUnknown = 0xFFFF;
constexpr uint16_t kMissing = 0x0000;
constexpr char32_t kInvalid = 0xFFFFFFFF;

// The character at `text[at]` and the bytes it takes; kInvalid for a malformed sequence, which
// then takes its lead byte and the continuation bytes that follow it.
char32_t DecodeUtf8(std::string_view text, size_t at, size_t* length) {
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
        // Skip what belongs to the broken sequence, so one broken character gives one "?".
        while (at + *length < text.size() &&
               (static_cast<unsigned char>(text[at + *length]) & 0xC0) == 0x80 && *length < 4) {
            ++*length;
        }
        return kInvalid;
    }
    return character;
}

}  // namespace

struct Cp936Encoder::Converter {
    iconv_t handle = reinterpret_cast<iconv_t>(-1);
    ~Converter() {
        if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
    }
};

Cp936Encoder::Cp936Encoder()
    : converter_(std::make_unique<Converter>()), codes_(0x10000, kUnknown) {
    converter_->handle = iconv_open("CP936", "UTF-32LE");
    if (converter_->handle == reinterpret_cast<iconv_t>(-1)) {
        throw HostError(error_number::kCannotCreateObject,
                        std::string("No converter to code page 936: ") + std::strerror(errno));
    }
}

Cp936Encoder::~Cp936Encoder() = default;

uint16_t Cp936Encoder::CodeOf(char32_t character) {
    uint16_t& code = codes_[character];
    if (code != kUnknown) return code;
    unsigned char in[4] = {static_cast<unsigned char>(character),
                           static_cast<unsigned char>(character >> 8),
                           static_cast<unsigned char>(character >> 16), 0};
    char out[8];
    char* inPointer = reinterpret_cast<char*>(in);
    size_t inLeft = sizeof in;
    char* outPointer = out;
    size_t outLeft = sizeof out;
    iconv(converter_->handle, nullptr, nullptr, nullptr, nullptr);
    const size_t result = iconv(converter_->handle, &inPointer, &inLeft, &outPointer, &outLeft);
    const size_t written = sizeof out - outLeft;
    if (result == static_cast<size_t>(-1) || written == 0 || written > 2) {
        code = kMissing;
    } else if (written == 1) {
        code = static_cast<unsigned char>(out[0]);
    } else {
        code = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                     static_cast<unsigned char>(out[1]));
    }
    return code;
}

void Cp936Encoder::Append(std::string_view utf8, std::string& out) {
    size_t at = 0;
    while (at < utf8.size()) {
        // Runs of ASCII, the bulk of numbers and codes, are copied as they are.
        size_t ascii = at;
        while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
        out.append(utf8.data() + at, ascii - at);
        at = ascii;
        if (at == utf8.size()) break;

        size_t length = 0;
        const char32_t character = DecodeUtf8(utf8, at, &length);
        at += length;
        const uint16_t code = character <= 0xFFFF ? CodeOf(character) : kMissing;
        if (code == kMissing) {
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
