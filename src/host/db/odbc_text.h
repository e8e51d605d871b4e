#pragma once

// Conversions between the tool's values and what an ODBC driver hands over.

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <vector>

#include "host/value.h"

namespace q9::odbc {

// SQLWCHAR text is UTF-16 in both driver managers the tool meets (unixODBC, Windows).
static_assert(sizeof(SQLWCHAR) == 2, "ODBC wide characters must be UTF-16 code units");

using WideText = std::vector<SQLWCHAR>;

// Invalid UTF-8 sequences become U+FFFD. The result carries no terminator.
WideText Utf8ToWide(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const SQLWCHAR* text, size_t length);
inline std::string WideToUtf8(const WideText& text) {
    return WideToUtf8(text.data(), text.size());
}

// A decimal as a driver writes it ("-123.4500", ".5"). Up to 15 significant digits the value
// comes back as a double, whose 15-digit form is exactly that decimal again; a longer decimal
// would lose digits as a double and comes back as its text instead. Text that is not a plain
// decimal comes back unchanged.
Value DecimalTextToValue(std::string_view text);

}  // namespace q9::odbc
