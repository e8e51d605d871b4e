#pragma once

#include <optional>
#include <string>

#include "terminal.h"

namespace q9::cli {

// The environment variable that gives the password of an ODBC address holding none; unlike
// --db, it is not shown in the process list.
inline constexpr const char* kPasswordVariable = "Q9TAXRATE_DB_PASSWORD";

// The account address as the session uses it: an ODBC address without a password gets the one
// of Q9TAXRATE_DB_PASSWORD, or, when nothing else could supply one (no data source), the one
// typed on the terminal without echo. Any other address comes back unchanged.
std::string WithOperatorPassword(const std::string& url, Terminal& terminal);

// One line typed on the terminal with its echo off; nullopt when the input ended.
std::optional<std::string> ReadSecretLine(Terminal& terminal);

}  // namespace q9::cli
