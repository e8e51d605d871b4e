#pragma once

#include <optional>
#include <string>

#include "host/context.h"
#include "host/failure.h"

namespace q9 {

enum class MasterDataResult {
    NothingTicked,  // no rate with a master-data box: nothing was sent
    Adjusted,       // the whole batch was committed
    Failed,         // nothing of it stays; see `failure`
};

struct MasterDataOutcome {
    MasterDataResult result = MasterDataResult::NothingTicked;
    std::optional<Failure> failure{};
};

// The batch for the ticked boxes; empty when nothing is to be sent.
std::string MasterDataBatch(const WindowState& state);

// Lowers the rates of the ticked master data in one atomic batch. On failure nothing of it stays
// and the notice "基础资料税率调整失败：" + the database's message is shown, or, when the database
// is unavailable, the notice that the run stops. The outcome's failure says which.
MasterDataOutcome AdjustMasterData(CoreContext& context);

}  // namespace q9
