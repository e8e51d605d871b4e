#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace q9 {

// UTF-8 to code page 936, the code page of the workbooks we write. A character outside it
// becomes "?", as the spreadsheet application itself stores it; so does a malformed byte.
//
// The system's converter decides each character once; later ones come from a table, so a sheet
// of repeated names costs one lookup per character.
class Cp936Encoder {
  public:
    Cp936Encoder();  // throws HostError when the system has no converter for code page 936
    ~Cp936Encoder();
    Cp936Encoder(const Cp936Encoder&) = delete;
    Cp936Encoder& operator=(const Cp936Encoder&) = delete;

    // Appends the encoded text to `out`.
    void Append(std::string_view utf8, std::string& out);
    std::string Encode(std::string_view utf8) {
        std::string out;
        Append(utf8, out);
        return out;
    }

  private:
    uint16_t CodeOf(char32_t character);

    struct Converter;
    std::unique_ptr<Converter> converter_;
    // By character of the basic plane: kUnknown, kMissing, a byte (< 0x100) or a byte pair.
    std::vector<uint16_t> codes_;
};

// The longest prefix of code page 936 text of at most `maxBytes` bytes that does not split a
// two-byte character.
std::string_view Cp936Prefix(std::string_view text, size_t maxBytes);

}  // namespace q9
