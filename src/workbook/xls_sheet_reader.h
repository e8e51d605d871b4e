#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "host/recordset.h"

namespace q9 {

// The named sheet of a BIFF5 or BIFF8 .xls workbook. Throws HostError (workbook).
RecordsetPtr ReadXlsSheet(const std::string& path, const std::string& sheetName);

// The same from a file that is nothing but its record stream, as Excel 2.1 to 4.0 wrote them;
// those versions are refused with a description that names them.
RecordsetPtr ReadBareBiffSheet(const std::string& path, const std::string& sheetName);

// The same from the workbook stream (`Book` or `Workbook`) already taken out of its file.
RecordsetPtr ReadBiffSheet(std::span<const uint8_t> stream, const std::string& sheetName);

}  // namespace q9
