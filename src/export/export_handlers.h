#pragma once

#include <string>

#include "host/context.h"
#include "host/document_kind.h"

namespace q9 {

// The candidate query of a kind, exactly as sent.
std::string CandidateQuery(DocumentKind kind, const std::string& cutoffDate,
                           bool discountIncludeTaxOn);

// Writes context.state.currentRecordset to folder + fileName (and further workbooks) as
// Excel 5.0/95 with the sheet named `kindText`. True on success.
bool WriteToExcel(CoreContext& context, const std::string& folder, const std::string& fileName,
                  const std::string& kindText);

}  // namespace q9
