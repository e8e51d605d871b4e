#pragma once

#include <sqlite3.h>

namespace q9 {

// Installs the exact decimal arithmetic the translation calls (values as decimal text, integers
// or floats; results as the shortest decimal text), and the host's ROUND:
//   q9_add/q9_sub/q9_mul/q9_div/q9_mod(a, b, precision, scale)  the result at its type
//   q9_dec(x, precision, scale)      x converted to DECIMAL(precision, scale)
//   q9_round(x, n, f, precision, scale), q9_neg(x), q9_abs(x), q9_int(x), q9_float(x)
//   q9_cmp(a, b) -1/0/1, q9_in(x, v1, ...) 1/0
//   q9_sum(x), q9_min(x), q9_max(x)  aggregates
// NULL in gives NULL out. Overflow, division by zero and text that is no number fail the
// statement with the host server's messages.
void RegisterDecimalFunctions(sqlite3* db);

}  // namespace q9
