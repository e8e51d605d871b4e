#pragma once

#include <cstdint>

#include "host/context.h"
#include "journal/undo.h"

namespace q9 {

// Undo of a run, for both front ends: the question, then UndoRun, then a notice for each line
// kept, for a refusal or failure, or for what was put back. Answered No: UndoResult::Declined.
UndoOutcome UndoClicked(CoreContext& context, int32_t runId);

}  // namespace q9
