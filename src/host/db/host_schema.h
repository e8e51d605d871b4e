#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace q9 {

// T-SQL creating the host tables and columns that the tool reads and writes, keyed and typed
// as the host's server has them: amounts, prices, quantities and rates DECIMAL(28,10), ids and
// price decimals INT. Text columns compare without letter case, as the host's collation does.
// Dates are ISO text ('YYYY-MM-DD' or 'YYYY-MM-DD hh:mm:ss'), which compare as dates.
// The tool's backup tables are not among them: its start-up batch creates those.
// Column defaults are the host's own, the rate columns' DEFAULT 17 among them: they belong to
// the host's schema, not to a rate change, and neither the tool nor the demo account relies on
// them (every rate written is written explicitly), so they stay whatever profile is in force.
const std::string& HostSchemaSql();

// Runs HostSchemaSql, translated, on an open connection. Throws HostError.
void CreateHostSchema(sqlite3* db);

// The host tables of HostSchemaSql that the database lacks, in the order created there; only
// reads. Throws HostError when the file cannot be read as a database.
std::vector<std::string> MissingHostTables(sqlite3* db);

}  // namespace q9
