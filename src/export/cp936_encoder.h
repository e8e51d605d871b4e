#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace q9 {

// UTF-8 to code page 936, the code page of the workbooks we write. A character outside it
// becomes "?", as the spreadsheet application itself stores it; so does a malformed byte.
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
    struct Converter;
    std::unique_ptr<Converter> converter_;
};

// The longest prefix of code page 936 text of at most `maxBytes` bytes that does not split a
// two-byte character.
std::string_view Cp936Prefix(std::string_view text, size_t maxBytes);

}  // namespace q9
