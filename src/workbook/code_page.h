#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>

namespace q9::biff {

// Appends one code point as UTF-8; one outside Unicode becomes U+FFFD.
void AppendUtf8(std::string& out, uint32_t codePoint);
// UTF-16 code units (little-endian order already resolved) to UTF-8; a lone surrogate becomes
// U+FFFD.
void AppendUtf16(std::string& out, std::span<const char16_t> units);

// 8-bit text of a BIFF5 workbook in the code page its CODEPAGE record names, to UTF-8. ASCII
// passes straight through; the system's converter is opened on the first other byte. A byte
// sequence the code page does not define becomes U+FFFD. An export repeats its partner and
// material names on every line, so texts already decoded are remembered (a bounded number).
class CodePageDecoder {
  public:
    explicit CodePageDecoder(uint16_t codePage = 1252);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    uint16_t codePage() const { return codePage_; }
    // Throws HostError (workbook) when the system cannot convert from the code page.
    void Append(std::string& out, std::span<const uint8_t> bytes);

  private:
    struct Converter;
    uint16_t codePage_;
    std::unique_ptr<Converter> converter_;
    std::unordered_map<std::string, std::string> decoded_;
};

}  // namespace q9::biff
