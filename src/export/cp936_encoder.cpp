#include "export/cp936_encoder.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/error.h"

namespace q9 {

namespace {

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Bytes of the UTF-8 sequence that begins with `lead`; 1 for a stray byte.
size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

}  // namespace

struct Cp936Encoder::Converter {
    iconv_t handle = reinterpret_cast<iconv_t>(-1);
    ~Converter() {
        if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
    }
};

Cp936Encoder::Cp936Encoder() : converter_(std::make_unique<Converter>()) {
    converter_->handle = iconv_open("CP936", "UTF-8");
    if (converter_->handle == reinterpret_cast<iconv_t>(-1)) {
        throw HostError(error_number::kCannotCreateObject,
                        std::string("No converter to code page 936: ") + std::strerror(errno));
    }
}

Cp936Encoder::~Cp936Encoder() = default;

void Cp936Encoder::Append(std::string_view utf8, std::string& out) {
    if (IsAscii(utf8)) {
        out.append(utf8);
        return;
    }
    iconv(converter_->handle, nullptr, nullptr, nullptr, nullptr);
    const size_t start = out.size();
    // Code page 936 never needs more bytes than UTF-8 for the same text.
    out.resize(start + utf8.size());
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* dest = out.data() + start;
    size_t destLeft = utf8.size();
    while (inLeft > 0) {
        if (iconv(converter_->handle, &in, &inLeft, &dest, &destLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) break;  // cannot happen, see above
        // EILSEQ or a truncated sequence (EINVAL): one "?" for the character.
        const size_t skip = std::min(inLeft, Utf8SequenceLength(static_cast<unsigned char>(*in)));
        *dest++ = '?';
        --destLeft;
        in += skip;
        inLeft -= skip;
    }
    out.resize(static_cast<size_t>(dest - out.data()));
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
