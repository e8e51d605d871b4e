#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace q9 {

// Text of .xlsx cells (shared and inline strings) may carry characters that XML cannot as
// escapes "_xHHHH_", a UTF-16 code unit in hexadecimal; "_x005F_" is an underscore that would
// otherwise begin one.

// Text as XML element content: markup characters as references, characters that XML cannot
// carry (controls, CR) as escapes, and an underscore that would read as the start of an escape
// as "_x005F_". Cut to `maxUnits` UTF-16 units on a character boundary; a malformed byte
// becomes "?".
std::string EscapeXlsxText(std::string_view utf8, size_t maxUnits);

// The escapes of text read from a part replaced by their characters.
std::string UnescapeXlsxText(std::string_view text);

}  // namespace q9
