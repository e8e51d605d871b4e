#pragma once

#include <optional>
#include <string>

#include "host/context.h"
#include "host/failure.h"
#include "host/recordset.h"

namespace q9 {

// The reader as the converters call it: the missing-file notice, the "count:" debug-log line,
// failures in a "Read_Excel" message box.
struct WorkbookRead {
    RecordsetPtr rows;               // null: there is nothing to convert
    std::optional<Failure> failure;  // what was shown; beside rows, a debug log that failed
};
WorkbookRead ReadWorkbook(CoreContext& context, const std::string& path,
                          const std::string& sheetName);

}  // namespace q9
