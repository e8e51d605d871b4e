#include "jobs/export_candidates.h"

#include "export/export_handlers.h"
#include "export/save_path.h"
#include "jobs/startup.h"

namespace q9 {

namespace {

bool IsOrder(DocumentKind kind) {
    return kind == DocumentKind::PurchaseOrder || kind == DocumentKind::SalesOrder;
}

const char* WholeBillDiscountRefusal(DocumentKind kind) {
    return kind == DocumentKind::PurchaseOrder ? "系统启用整单折扣，本工具不支持修改采购订单业务。"
                                               : "系统启用整单折扣，本工具不支持修改销售订单业务。";
}

}  // namespace

bool ExportCandidates(CoreContext& context, DocumentKind kind) {
    WindowState& state = context.state;
    if (!state.switchesRead) {
        context.texts.Notice(kSwitchesUnreadText);
        return false;
    }
    if (IsOrder(kind) && state.billDiscountOn) {
        context.texts.Notice(WholeBillDiscountRefusal(kind));
        return false;
    }

    const std::string sql = CandidateQuery(kind, state.cutoffDate, state.discountIncludeTaxOn);
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
