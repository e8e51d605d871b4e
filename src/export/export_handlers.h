#pragma once

#include <string>

#include "export/export_outcome.h"
#include "host/context.h"
#include "host/document_kind.h"

namespace q9 {

// Writes context.state.currentRecordset to folder + fileName (and further workbooks), .xlsx for
// a name ending so and Excel 5.0/95 otherwise, with the sheet named `kindText`: Written,
// OverwriteDeclined or WriteFailed, with the files written and the lines of the recordset.
ExportOutcome WriteToExcel(CoreContext& context, const std::string& folder,
                           const std::string& fileName, const std::string& kindText);

}  // namespace q9
