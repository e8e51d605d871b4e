#pragma once

#include "export/export_outcome.h"
#include "host/context.h"
#include "host/document_kind.h"

namespace q9 {

// The export button of a kind (cmdPO, cmdSO, cmdHTYF, cmdHTYS): refusals, the candidate query,
// the save dialog and the workbooks, each shown as the window shows it.
ExportOutcome ExportCandidates(CoreContext& context, DocumentKind kind);

}  // namespace q9
