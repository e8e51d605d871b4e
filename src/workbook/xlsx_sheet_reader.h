#pragma once

#include <string>

#include "host/recordset.h"

namespace q9 {

// The named sheet of an .xlsx workbook (zip + XML). Throws HostError (workbook).
RecordsetPtr ReadXlsxSheet(const std::string& path, const std::string& sheetName);

}  // namespace q9
