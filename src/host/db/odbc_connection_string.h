#pragma once

#include <string>
#include <string_view>

namespace q9::odbc {

// The connection string fit for a message or a log: the values of PWD and Password are
// replaced by "***" (braced values included).
std::string MaskPasswords(std::string_view connectionString);

// The connection string with what its driver needs to stay bounded in time: FreeTDS named by
// Driver= without a DSN, a Servername or a TDS_Version of its own gets "TDS_Version=7.4" in
// front (without it FreeTDS falls back to an older protocol that ignores the login timeout).
std::string WithDriverDefaults(std::string_view connectionString);

// True when the string gives a password (PWD or Password).
bool HoldsPassword(std::string_view connectionString);

// True when nothing but the operator can give the password: no data source (DSN, FILEDSN) that
// may keep one, no PWD or Password, and no integrated login.
bool NeedsPassword(std::string_view connectionString);

// The connection string with PWD set to `password` in front, braced so that any character is
// kept.
std::string WithPassword(std::string_view connectionString, std::string_view password);

}  // namespace q9::odbc
