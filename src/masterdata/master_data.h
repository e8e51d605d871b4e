#pragma once

#include <string>

#include "host/context.h"

namespace q9 {

// The batch for the ticked boxes; empty when nothing is to be sent.
std::string MasterDataBatch(const WindowState& state);

// Lowers the rates of the ticked master data in one atomic batch. On failure nothing of it stays
// and the notice "基础资料税率调整失败：" + the database's message is shown, or, when the database
// is unavailable, the notice that the run stops. The outcome says which.
Outcome AdjustMasterData(CoreContext& context);

}  // namespace q9
