#pragma once

#include "host/context.h"
#include "host/document_kind.h"

namespace q9 {

// The export button of a kind (cmdPO, cmdSO, cmdHTYF, cmdHTYS). True when workbooks were written.
bool ExportCandidates(CoreContext& context, DocumentKind kind);

}  // namespace q9
