#pragma once

// A stored value as the tool reads it from the embedded account, the same from a result column
// as from a row a statement is changing.

#include <sqlite3.h>

#include "host/recordset.h"

namespace q9 {

// `decimal`: the value is of a column declared as a decimal (or an expression of that type),
// and reaches the tool as the host's driver hands it over.
Value StoredValue(sqlite3_stmt* statement, int column, bool decimal);
Value StoredValue(sqlite3_value* value, bool decimal);

// Binds a value to a statement's parameter `index`: null, integer, floating or text, the text not
// copied (it must outlive the statement's run). Throws HostError for any other value and where
// SQLite refuses.
void BindStoredValue(sqlite3* db, sqlite3_stmt* statement, int index, const Value& value);

}  // namespace q9
