#include "jobs/batch_run.h"

#include <exception>
#include <memory>
#include <utility>

#include "jobs/startup.h"
#include "journal/dry_run.h"
#include "journal/recorded_run.h"
#include "masterdata/master_data.h"

namespace q9 {

namespace {

constexpr int16_t kDisplayWidth = 15000;
constexpr int16_t kDisplayColumns = 2;
constexpr int16_t kBillColumnWidth = 3000;
constexpr int16_t kReasonColumnWidth = 11000;
constexpr int16_t kShowModal = 1;

std::unique_ptr<ResultDisplay> PrepareDisplay(CoreContext& context,
                                              ResultDisplayFactory& displays) {
    std::unique_ptr<ResultDisplay> display = displays.CreateDisplay();
    if (!display) throw HostError(error_number::kCannotCreateObject, "No result display");
    display->SetWidth(kDisplayWidth);
    display->SetCols(kDisplayColumns);
    display->SetTitles(context.texts.LoadText("单据|备注|"));
    display->SetColWidth(1, kBillColumnWidth);
    display->SetColWidth(2, kReasonColumnWidth);
    return display;
}

// Runs a handler's work and shows any failure by its description. The work's answer, false when
// it failed.
template <typename Work>
bool ShowingFailures(CoreContext& context, Work&& work) {
    try {
        return work();
    } catch (const HostError& e) {
        context.texts.ShowNotice(e.error().description);
    } catch (const std::exception& e) {
        context.texts.ShowNotice(e.what());
    }
    return false;
}

}  // namespace

BatchSummary RunAllConversions(CoreContext& context, ResultDisplay& display) {
    BatchSummary summary;
    using Converter = ConversionSummary (*)(CoreContext&, ResultDisplay&);
    const std::pair<ConversionSummary BatchSummary::*, Converter> steps[] = {
        {&BatchSummary::purchaseOrders, ConvertPurchaseOrders},
        {&BatchSummary::salesOrders, ConvertSalesOrders},
        {&BatchSummary::payableContracts, ConvertPayableContracts},
        {&BatchSummary::receivableContracts, ConvertReceivableContracts},
    };
    for (const auto& [field, convert] : steps) {
        summary.*field = convert(context, display);
        // Every later line would wait for the same lock or connection and fail the same way.
        if ((summary.*field).progress == RunProgress::StoppedByDatabase) {
            summary.progress = RunProgress::StoppedByDatabase;
            break;
        }
    }
    return summary;
}

BatchSummary RunBatch(CoreContext& context, ResultDisplayFactory& displays) {
    // Converting with guessed switches would rewrite discounted lines with the wrong formula.
    if (!context.state.switchesRead) {
        throw HostError(error_number::kDatabase, context.texts.LoadText(kSwitchesUnreadText));
    }
    // The display lives until the run ends, shown or not.
    std::unique_ptr<ResultDisplay> display = PrepareDisplay(context, displays);
    BatchSummary summary;
    if (AdjustMasterData(context).error.IsUnavailable()) {
        summary.progress = RunProgress::StoppedByDatabase;
    } else {
        summary = RunAllConversions(context, *display);
    }
    display->Show(kShowModal);
    return summary;
}

bool FixClicked(CoreContext& context, ResultDisplayFactory& displays, BatchSummary* summary) {
    MessageBoxRequest question;
    question.text = context.texts.LoadText("是否确定修改，修改后不可恢复，是否确认？");
    question.title = context.texts.LoadText("系统提示");
    question.buttons = MessageButtons::YesNo;
    question.icon = MessageIcon::Information;
    question.defaultAnswer = MessageAnswer::Yes;
    if (context.prompter.Ask(question) != MessageAnswer::Yes) return false;

    return ShowingFailures(context, [&] {
        BatchSummary done = RunBatch(context, displays);
        if (summary) *summary = done;
        // The stop was the run's last word; it did not complete.
        if (done.progress == RunProgress::StoppedByDatabase) return false;
        context.texts.Notice("调整完成");
        return true;
    });
}

bool PreviewClicked(CoreContext& context, ResultDisplayFactory& displays, BatchSummary* summary,
                    std::vector<ChangeRow>* changes) {
    return ShowingFailures(context, [&] {
        RunProgress progress = RunProgress::GoesOn;
        RunWithoutWriting(context, [&](CoreContext& dry) {
            // Recorded inside the transaction that is rolled back: the journal goes with it.
            RecordedRun run(dry);
            BatchSummary done = RunBatch(dry, displays);
            run.Finish();
            progress = done.progress;
            if (summary) *summary = done;
            if (changes) *changes = run.recorder().changes();
        });
        if (progress == RunProgress::StoppedByDatabase) return false;
        context.texts.Notice("预览完成，账套未作任何修改");
        return true;
    });
}

bool Command1Clicked(CoreContext& context, ResultDisplayFactory& displays, BatchSummary* summary) {
    return ShowingFailures(context, [&] {
        BatchSummary done = RunBatch(context, displays);
        if (summary) *summary = done;
        return done.progress == RunProgress::GoesOn;
    });
}

}  // namespace q9
