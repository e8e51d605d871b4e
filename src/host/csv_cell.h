#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace q9 {

// One cell of a CSV file that the operator opens in a spreadsheet program: a cell that such a
// program would take for a formula ("=", "+", "-", "@", tab or CR first) gets an apostrophe in
// front, so that it stays text; then RFC 4180 quoting.
std::string CsvCell(std::string_view text);

// The cells separated by commas, ended by CR LF.
std::string CsvLine(const std::vector<std::string>& cells);

}  // namespace q9
