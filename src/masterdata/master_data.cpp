#include "masterdata/master_data.h"

#include <array>

#include "journal/run_recorder.h"

namespace q9 {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

struct KindStatements {
    CheckValue WindowState::*box;
    const char* to16;
    const char* to10;
};

// In the order the batch lists them: materials, customers, suppliers.
const std::array<KindStatements, 3> kStatements = {{
    {&WindowState::chkItem,
     "UPDATE t_ICItemMaterial SET FTaxRate=16 WHERE FTaxRate=17 UPDATE t_ItemPropDesc SET "
     "FDefaultValue = '16' WHERE FItemClassID =4 and FSQLColumnName ='FTaxRate'",
     "UPDATE t_ICItemMaterial SET FTaxRate=10 WHERE FTaxRate=11"},
    {&WindowState::chkCust,
     "UPDATE t_Organization SET FValueAddRate=16 WHERE FValueAddRate =17 UPDATE t_ItemPropDesc "
     "SET FDefaultValue = '16' WHERE FItemClassID =1 and FSQLColumnName ='FValueAddRate'",
     "UPDATE t_Organization SET FValueAddRate=10 WHERE FValueAddRate =11"},
    {&WindowState::chkSupply,
     "UPDATE t_Supplier SET FValueAddRate=16 WHERE FValueAddRate =17 UPDATE t_ItemPropDesc SET "
     "FDefaultValue = '16' WHERE FItemClassID =8 and FSQLColumnName ='FValueAddRate'",
     "UPDATE t_Supplier SET FValueAddRate=10 WHERE FValueAddRate =11"},
}};

}  // namespace

std::string MasterDataBatch(const WindowState& state) {
    std::string batch;
    if (IsTicked(state.chk17)) {
        for (const auto& kind : kStatements) {
            if (IsTicked(state.*kind.box)) batch.append(kind.to16).append(kLineEnd);
        }
    }
    if (IsTicked(state.chk11)) {
        for (const auto& kind : kStatements) {
            if (IsTicked(state.*kind.box)) batch.append(kind.to10).append(kLineEnd);
        }
    }
    return batch;
}

Outcome AdjustMasterData(CoreContext& context) {
    std::string batch = MasterDataBatch(context.state);
    if (batch.empty()) return Outcome::Success();
    // A half-applied batch would leave materials and their default at different rates, with no
    // backup to go back to: all of it or nothing, and the operator learns which.
    Outcome outcome = context.recorder
                          ? context.recorder->WriteMasterData(context.gateway, context.state, batch)
                          : context.gateway.ExecuteAtomic({batch});
    if (!outcome.ok()) {
        const char* lead =
            outcome.error.IsUnavailable() ? kDatabaseUnavailableText : "基础资料税率调整失败：";
        context.texts.ShowNotice(context.texts.LoadText(lead) + outcome.error.description);
    }
    return outcome;
}

}  // namespace q9
