#include "masterdata/master_data.h"

#include <array>

#include "journal/run_recorder.h"

namespace q9 {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

struct MasterDataKind {
    CheckValue WindowState::*box;
    const char* table;
    const char* column;
    const char* rateTest;  // the records' own spelling of "column =" before the old rate
    const char* itemClassId;
};

// In the order the batch lists them: materials, customers, suppliers.
const std::array<MasterDataKind, 3> kKinds = {{
    {&WindowState::chkItem, "t_ICItemMaterial", "FTaxRate", "FTaxRate=", "4"},
    {&WindowState::chkCust, "t_Organization", "FValueAddRate", "FValueAddRate =", "1"},
    {&WindowState::chkSupply, "t_Supplier", "FValueAddRate", "FValueAddRate =", "8"},
}};

std::string KindStatement(const MasterDataKind& kind, const RateChange& change) {
    const std::string newRate = change.newRate.Text();
    std::string text = std::string("UPDATE ") + kind.table + " SET " + kind.column + "=" + newRate +
                       " WHERE " + kind.rateTest + change.oldRate.Text();
    if (change.masterDefaults == MasterDefaults::SetToNewRate) {
        text += std::string(" UPDATE t_ItemPropDesc SET FDefaultValue = '") + newRate +
                "' WHERE FItemClassID =" + kind.itemClassId + " and FSQLColumnName ='" +
                kind.column + "'";
    }
    return text;
}

}  // namespace

std::string MasterDataBatch(const WindowState& state) {
    std::string batch;
    for (const RateChange* change : state.TickedChanges()) {
        for (const MasterDataKind& kind : kKinds) {
            if (IsTicked(state.*kind.box))
                batch.append(KindStatement(kind, *change)).append(kLineEnd);
        }
    }
    return batch;
}

MasterDataOutcome AdjustMasterData(CoreContext& context) {
    std::string batch = MasterDataBatch(context.state);
    if (batch.empty()) return {};
    // A half-applied batch would leave materials and their default at different rates, with no
    // backup to go back to: all of it or nothing, and the operator learns which.
    Outcome sent = context.recorder
                       ? context.recorder->WriteMasterData(context.gateway, context.state, batch)
                       : context.gateway.ExecuteAtomic({batch});
    if (sent.ok()) return {MasterDataResult::Adjusted, std::nullopt};
    const char* lead =
        sent.error.IsUnavailable() ? kDatabaseUnavailableText : "基础资料税率调整失败：";
    context.texts.ShowNotice(context.texts.LoadText(lead) +
                             context.texts.DescribeAfterLeadIn(sent.error));
    return {MasterDataResult::Failed, Failure{sent.error, {}}};
}

}  // namespace q9
