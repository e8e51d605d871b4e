#pragma once

#include <string>

#include "host/recordset.h"

namespace q9 {

// The named sheet of a BIFF5 or BIFF8 .xls workbook. Throws HostError (workbook).
RecordsetPtr ReadXlsSheet(const std::string& path, const std::string& sheetName);

}  // namespace q9
