#pragma once

#include <string>

#include "host/context.h"
#include "host/recordset.h"

namespace q9 {

// The reader as the converters call it: the missing-file notice, the "count:" debug-log line,
// failures in a "Read_Excel" message box; nullptr when there is nothing to convert.
RecordsetPtr ReadWorkbook(CoreContext& context, const std::string& path,
                          const std::string& sheetName);

}  // namespace q9
