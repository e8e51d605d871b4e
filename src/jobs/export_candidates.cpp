#include "jobs/export_candidates.h"

#include "export/candidate_queries.h"
#include "export/export_handlers.h"
#include "export/save_path.h"
#include "jobs/startup.h"

namespace q9 {

bool ExportCandidates(CoreContext& context, DocumentKind kind) {
    WindowState& state = context.state;
    if (!state.switchesRead) {
        context.texts.Notice(kSwitchesUnreadText);
        return false;
    }
    if (const char* refusal = WholeBillDiscountRefusal(kind); refusal && state.billDiscountOn) {
        context.texts.Notice(refusal);
        return false;
    }

    const std::string sql = CandidateQuery(kind, state.rateProfile, state.discountIncludeTaxOn);
    Error error;
    state.currentRecordset = context.gateway.TryOpenRecordset(sql, &error);
    if (!state.currentRecordset) {
        // An empty list and a failed query must not look alike to the operator.
        context.texts.ShowNotice(
            context.texts.FormatText("查询候选数据失败：%1", {Value(error.description)}));
        return false;
    }
    if (state.currentRecordset->RecordCount() < 1) {
        context.texts.Notice("没有符合条件的数据，不需要引出");
        return false;
    }

    const std::optional<SavePath> chosen = SplitSavePath(context.files.ChooseSavePath());
    if (!chosen || chosen->folder.empty()) return false;

    return WriteToExcel(context, chosen->folder, chosen->fileName, KindText(kind));
}

}  // namespace q9
