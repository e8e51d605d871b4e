#include "jobs/batch_run.h"

#include <algorithm>
#include <memory>

#include "jobs/startup.h"
#include "journal/dry_run.h"
#include "journal/recorded_run.h"

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
    if (!display) throw HostError(error_number::kCannotCreateObject, "不能创建结果列表");
    display->SetWidth(kDisplayWidth);
    display->SetCols(kDisplayColumns);
    display->SetTitles(context.texts.LoadText("单据|备注|"));
    display->SetColWidth(1, kBillColumnWidth);
    display->SetColWidth(2, kReasonColumnWidth);
    return display;
}

bool StoppedByDatabase(const std::vector<ConversionOutcome>& conversions) {
    return !conversions.empty() && conversions.back().progress == RunProgress::StoppedByDatabase;
}

// The run; raises what stops it, with what was done so far already in `outcome`. The display
// is released before the caller learns of a failure.
void Run(CoreContext& context, ResultDisplayFactory& displays, const ReportBeforeGrid& report,
         BatchOutcome& outcome) {
    std::unique_ptr<ResultDisplay> display = PrepareDisplay(context, displays);
    outcome.masterData = AdjustMasterData(context);
    const bool unavailable =
        outcome.masterData.failure && outcome.masterData.failure->error.IsUnavailable();
    if (!unavailable) outcome.conversions = RunAllConversions(context, *display);
    if (unavailable || StoppedByDatabase(outcome.conversions)) {
        outcome.result = BatchResult::StoppedByDatabase;
    }
    if (report) display->SetReport(report(outcome));
    display->Show(kShowModal);
}

// Shows the failure that stopped the run, by its description.
void ShowStop(CoreContext& context, const BatchOutcome& outcome) {
    if (!outcome.stop) return;
    Texts& texts = context.texts;
    if (outcome.result == BatchResult::JournalUnread) {
        texts.ShowNotice(texts.LoadText(kJournalUnreadText) +
                         texts.DescribeAfterLeadIn(outcome.stop->error));
    } else {
        texts.ShowNotice(texts.Describe(*outcome.stop));
    }
}

void ShowJournalEnd(CoreContext& context, const BatchOutcome& outcome) {
    if (!outcome.journalEnd) return;
    context.texts.ShowNotice(context.texts.LoadText(kJournalNotEndedText) +
                             context.texts.DescribeAfterLeadIn(outcome.journalEnd->error));
}

// The completion notice of a run that completed; a failure to show it stops the run.
void NoticeCompletion(CoreContext& context, BatchOutcome& outcome, const char* text) {
    if (!outcome.completed()) return;
    try {
        context.texts.Notice(text);
    } catch (...) {
        outcome.result = BatchResult::Stopped;
        outcome.stop = CurrentFailure();
    }
}

// Whether the grid of a run may offer to undo it.
enum class GridUndo { Offered, NotOffered };

// A run under the journal, so that it can be listed and undone; a refused run did nothing and
// is not recorded. A completed run is marked done before its grid is shown, so that the grid
// can offer to undo it.
BatchOutcome RecordedBatch(CoreContext& context, ResultDisplayFactory& displays,
                           std::shared_ptr<const ChangeStore>* changes, ChangeList list,
                           GridUndo undo, RunJournal journal) {
    if (!context.state.switchesRead) return RunBatch(context, displays);
    RecordedRun run(context, list, journal);
    if (!run.lookedUp().ok()) {
        return BatchOutcome{.result = BatchResult::JournalUnread,
                            .stop = Failure{run.lookedUp().error, {}}};
    }
    BatchOutcome outcome = RunBatch(context, displays, [&](BatchOutcome& done) {
        int32_t undoable = 0;
        if (done.completed()) {
            if (const Outcome ended = run.Finish(); !ended.ok()) {
                done.journalEnd = Failure{ended.error, {}};
            } else if (undo == GridUndo::Offered && run.recorder().mode() == JournalMode::Write) {
                undoable = run.recorder().run().id;
            }
        }
        return ReportOf(done.conversions, run.recorder().changes(), undoable);
    });
    if (changes) *changes = run.recorder().changes();
    return outcome;
}

}  // namespace

const ConversionOutcome* BatchOutcome::Of(DocumentKind kind) const {
    auto found = std::find_if(conversions.begin(), conversions.end(),
                              [kind](const ConversionOutcome& c) { return c.kind == kind; });
    return found == conversions.end() ? nullptr : &*found;
}

bool BatchOutcome::AnyFailure() const {
    if (stop || journalEnd || result == BatchResult::StoppedByDatabase ||
        masterData.result == MasterDataResult::Failed) {
        return true;
    }
    return std::any_of(conversions.begin(), conversions.end(),
                       [](const ConversionOutcome& c) { return !c.ok(); });
}

std::vector<ConversionOutcome> RunAllConversions(CoreContext& context, ResultDisplay& display) {
    using Converter = std::vector<ConversionOutcome> (*)(CoreContext&, ResultDisplay&);
    const Converter steps[] = {ConvertPurchaseOrders, ConvertSalesOrders, ConvertPayableContracts,
                               ConvertReceivableContracts};
    std::vector<ConversionOutcome> conversions;
    for (Converter convert : steps) {
        std::vector<ConversionOutcome> kind = convert(context, display);
        conversions.insert(conversions.end(), kind.begin(), kind.end());
        // Every later line would wait for the same lock or connection and fail the same way.
        if (StoppedByDatabase(conversions)) break;
    }
    return conversions;
}

BatchOutcome RunBatch(CoreContext& context, ResultDisplayFactory& displays,
                      const ReportBeforeGrid& report) {
    BatchOutcome outcome;
    // Converting with guessed switches would rewrite discounted lines with the wrong formula.
    if (!context.state.switchesRead) {
        outcome.result = BatchResult::Refused;
        outcome.stop =
            Failure{{error_number::kDatabase, context.texts.LoadText(kSwitchesUnreadText)}, {}};
        return outcome;
    }
    try {
        Run(context, displays, report, outcome);
    } catch (...) {
        outcome.result = BatchResult::Stopped;
        outcome.stop = CurrentFailure();
    }
    return outcome;
}

BatchOutcome FixClicked(CoreContext& context, ResultDisplayFactory& displays,
                        std::shared_ptr<const ChangeStore>* changes) {
    MessageBoxRequest question;
    question.text = context.texts.LoadText("是否确定修改，修改后不可恢复，是否确认？");
    question.title = context.texts.LoadText("系统提示");
    question.buttons = MessageButtons::YesNo;
    question.icon = MessageIcon::Information;
    question.defaultAnswer = MessageAnswer::Yes;
    if (context.prompter.Ask(question) != MessageAnswer::Yes) {
        return BatchOutcome{.result = BatchResult::Declined};
    }

    BatchOutcome outcome = RecordedBatch(context, displays, changes,
                                         changes ? ChangeList::Wanted : ChangeList::NotWanted,
                                         GridUndo::Offered, RunJournal::AsTheAccountKeeps);
    ShowJournalEnd(context, outcome);
    NoticeCompletion(context, outcome, "调整完成");
    ShowStop(context, outcome);
    return outcome;
}

BatchOutcome PreviewClicked(CoreContext& context, ResultDisplayFactory& displays,
                            std::shared_ptr<const ChangeStore>* changes) {
    BatchOutcome outcome;
    try {
        RunWithoutWriting(context, [&](CoreContext& dry) {
            outcome = RecordedBatch(dry, displays, changes, ChangeList::Wanted,
                                    GridUndo::NotOffered, RunJournal::None);
        });
    } catch (...) {
        outcome.result = BatchResult::Stopped;
        outcome.stop = CurrentFailure();
    }
    NoticeCompletion(context, outcome, "预览完成，账套未作任何修改");
    ShowStop(context, outcome);
    return outcome;
}

BatchOutcome Command1Clicked(CoreContext& context, ResultDisplayFactory& displays) {
    BatchOutcome outcome = RecordedBatch(context, displays, nullptr, ChangeList::NotWanted,
                                         GridUndo::Offered, RunJournal::AsTheAccountKeeps);
    ShowJournalEnd(context, outcome);
    ShowStop(context, outcome);
    return outcome;
}

}  // namespace q9
