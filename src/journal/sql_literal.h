#pragma once

#include <string>
#include <string_view>

#include "host/value.h"

namespace q9 {

// A value as a literal of the tool's SQL, exact enough to write it back unchanged: "NULL",
// integer digits, the shortest fixed-point text that reads back as the same double, or N'text'
// with its apostrophes doubled. Throws HostError for an object.
std::string SqlLiteral(const Value& value);

// True when the text is a literal SqlLiteral writes: the journal's values are checked with it
// before any of them goes back into SQL.
bool IsSqlLiteral(std::string_view text);

// What a literal says, for people: numbers as written, text without quotes, null as empty.
std::string LiteralDisplay(std::string_view literal);

}  // namespace q9
