#pragma once

#include <sqlite3.h>

#include "host/db/tsql_catalog.h"

namespace q9::sqlite {

// The tables and views of a connection's main database with the column types their
// declarations give. Throws HostError.
tsql::Catalog ReadCatalog(sqlite3* db);

}  // namespace q9::sqlite
