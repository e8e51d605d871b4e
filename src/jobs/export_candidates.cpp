#include "jobs/export_candidates.h"

#include "export/candidate_queries.h"
#include "export/export_handlers.h"
#include "export/save_path.h"
#include "host/document_kind.h"
#include "jobs/startup.h"

namespace q9 {

namespace {

ExportOutcome Ended(DocumentKind kind, ExportResult result, std::optional<Failure> failure = {}) {
    return ExportOutcome{.kind = kind, .result = result, .failure = std::move(failure)};
}

}  // namespace

ExportOutcome ExportCandidates(CoreContext& context, DocumentKind kind) {
    WindowState& state = context.state;
    if (!state.switchesRead) {
        context.texts.Notice(kSwitchesUnreadText);
        return Ended(kind, ExportResult::SwitchesUnread);
    }
    if (const char* refusal = WholeBillDiscountRefusal(kind); refusal && state.billDiscountOn) {
        context.texts.Notice(refusal);
        return Ended(kind, ExportResult::WholeBillDiscount);
    }

    const std::string sql = CandidateQuery(kind, state.rateProfile, state.discountIncludeTaxOn);
    Error error;
    state.currentRecordset = context.gateway.TryOpenRecordset(sql, &error);
    if (!state.currentRecordset) {
        // An empty list and a failed query must not look alike to the operator.
        context.texts.ShowNotice(context.texts.FormatText(
            "查询候选数据失败：%1", {Value(context.texts.DescribeAfterLeadIn(error))}));
        return Ended(kind, ExportResult::QueryFailed, Failure{error, {}});
    }
    if (state.currentRecordset->RecordCount() < 1) {
        context.texts.Notice("没有符合条件的数据，不需要引出");
        return Ended(kind, ExportResult::NoCandidates);
    }

    const std::optional<SavePath> chosen = SplitSavePath(context.files.ChooseSavePath());
    if (!chosen || chosen->folder.empty()) {
        ExportOutcome outcome = Ended(kind, ExportResult::NoFileChosen);
        outcome.lines = state.currentRecordset->RecordCount();
        return outcome;
    }

    ExportOutcome outcome = WriteToExcel(context, chosen->folder, chosen->fileName, KindText(kind));
    outcome.kind = kind;
    return outcome;
}

}  // namespace q9
