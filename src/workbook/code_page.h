#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace q9 {

// Appends one code point as UTF-8; one outside Unicode becomes U+FFFD.
void AppendUtf8(std::string& out, uint32_t codePoint);
// UTF-16 code units (little-endian order already resolved) to UTF-8; a lone surrogate becomes
// U+FFFD.
void AppendUtf16(std::string& out, std::span<const char16_t> units);

// What NextUtf8 answers for a malformed sequence.
inline constexpr char32_t kMalformedUtf8 = 0xFFFFFFFF;
// The character at `text[at]` and the bytes it takes; kMalformedUtf8 for a malformed sequence,
// which then takes its lead byte and the continuation bytes that follow it.
char32_t NextUtf8(std::string_view text, size_t at, size_t* length);

// Text in a Windows code page of one or two bytes per character, both ways, through the
// system's converter (opened on the first character that is not ASCII; ASCII passes straight
// through). Workbooks repeat their partner and material names on every line, so each
// direction remembers what it has converted.
class CodePage {
  public:
    // The code page numbers of BIFF's CODEPAGE record (1252, 936, Excel's 32769 for 1252, …).
    explicit CodePage(uint16_t number);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    uint16_t number() const { return number_; }

    // Bytes in the code page, appended to `utf8`. A sequence the code page does not define
    // becomes U+FFFD. Throws HostError (workbook) when the system cannot convert from it.
    void Decode(std::span<const uint8_t> bytes, std::string& utf8);

    // UTF-8 appended to `out` in the code page. A character outside it becomes "?", as the
    // spreadsheet application itself stores it; so does a malformed byte. Throws HostError
    // (cannot create object) when the system cannot convert to it.
    void Encode(std::string_view utf8, std::string& out);
    std::string Encode(std::string_view utf8) {
        std::string out;
        Encode(utf8, out);
        return out;
    }

  private:
    class Converter;
    uint16_t CodeOf(char32_t character);

    uint16_t number_;
    std::unique_ptr<Converter> decoder_;
    std::unique_ptr<Converter> encoder_;
    std::unordered_map<std::string, std::string> decoded_;  // bounded in size
    // By character of the basic plane: unknown, missing, a byte (< 0x100) or a byte pair.
    std::vector<uint16_t> codes_;
};

// The longest prefix of code page 936 text of at most `maxBytes` bytes that does not split a
// two-byte character.
std::string_view Cp936Prefix(std::string_view text, size_t maxBytes);

}  // namespace q9
