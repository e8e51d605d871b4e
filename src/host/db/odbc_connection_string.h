#pragma once

#include <string>
#include <string_view>

namespace q9::odbc {

// The connection string fit for a message or a log: the values of PWD and Password are
// replaced by "***" (braced values included).
std::string MaskPasswords(std::string_view connectionString);

}  // namespace q9::odbc
