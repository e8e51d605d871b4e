#pragma once

#include <sqlite3.h>

#include <cstdint>

namespace q9 {

// The host server's ROUND on a decimal: the value's 15-significant-digit decimal form rounded
// half away from zero to `digits` places (negative: left of the point). Amounts held as binary
// floating point thus round as their decimal digits read (1.005 -> 1.01, 2.675 -> 2.68).
double RoundDecimal(double value, int digits);
// With `truncate` the dropped digits are cut off instead.
double RoundDecimal(double value, int digits, bool truncate);
int64_t RoundDecimalInteger(int64_t value, int digits, bool truncate = false);

// Installs ROUND(x, n[, truncate]) on the connection, replacing SQLite's own; NULL in, NULL out.
void RegisterDecimalRound(sqlite3* db);

}  // namespace q9
