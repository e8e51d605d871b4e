#pragma once

#include <string>

#include "host/recordset.h"

namespace q9 {

// Every row of the named sheet, without a header line: fields F1…Fn after the sheet columns,
// the sheet's first row as the first record, empty cells null, mixed columns as text. Throws
// HostError (with a clear description) when the file is not a readable workbook or has no such
// sheet. The format is chosen by content: BIFF5/BIFF8 .xls or .xlsx.
RecordsetPtr ReadSheet(const std::string& path, const std::string& sheetName);

}  // namespace q9
