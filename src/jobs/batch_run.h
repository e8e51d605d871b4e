#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "convert/converters.h"
#include "host/context.h"
#include "host/failure.h"
#include "host/ports.h"
#include "jobs/run_report.h"
#include "journal/run_recorder.h"
#include "masterdata/master_data.h"

namespace q9 {

// Notice prefixes, followed by the failure's description.
inline constexpr const char* kJournalUnreadText = "未能读取调整日志，账套未作任何修改：";
inline constexpr const char* kJournalNotEndedText =
    "调整日志未能记录调整完成，该次调整将列为中断：";

enum class BatchResult {
    Completed,  // master data and every conversion ran, and the grid was shown
    Declined,   // the operator answered the question with No: nothing was done
    Refused,    // the start-up could not read the switches: nothing was done
    Stopped,    // `stop` ended the run; what was done before it is kept in the outcome
    // A step met a locked, busy or lost database and showed its notice; no later step ran.
    StoppedByDatabase,
    // Whether the account keeps the run journal could not be read: nothing was done, rather
    // than changes that might not be undone.
    JournalUnread,
};

// What a one-click run did.
struct BatchOutcome {
    BatchResult result = BatchResult::Completed;
    MasterDataOutcome masterData{};
    // One per workbook converted, in the order of the run; today one per kind.
    std::vector<ConversionOutcome> conversions{};
    std::optional<Failure> stop{};  // Refused, Stopped, JournalUnread
    // The completed run could not be marked done in the journal: it reads as interrupted.
    std::optional<Failure> journalEnd{};

    bool completed() const { return result == BatchResult::Completed; }
    // The conversion of `kind`; null when the run did not reach it.
    const ConversionOutcome* Of(DocumentKind kind) const;
    // Something the operator asked for did not happen: a failed step, line or workbook.
    bool AnyFailure() const;
};

// Called once the run's work is done, just before its grid is shown: what the grid offers.
using ReportBeforeGrid = std::function<RunReport(BatchOutcome& outcome)>;

// Master data, the four conversions in order with one display, then the display is shown.
// Nothing is shown about a failure that stops it: the outcome holds it.
BatchOutcome RunBatch(CoreContext& context, ResultDisplayFactory& displays,
                      const ReportBeforeGrid& report = {});
// The conversions in order; the last one's progress says whether the database stopped them.
std::vector<ConversionOutcome> RunAllConversions(CoreContext& context, ResultDisplay& display);

// cmdFix: confirmation, RunBatch recorded in the run journal, "调整完成"; a failure that stops
// the run is shown as a notice by its description instead of the completion notice, one of
// the journal's end before it.
// `changes`, when given, receives every value the run changed.
BatchOutcome FixClicked(CoreContext& context, ResultDisplayFactory& displays,
                        std::shared_ptr<const ChangeStore>* changes = nullptr);
// The preview button: the whole run computed by the account's engine inside a transaction that
// is rolled back, without a question; the same grid, then "预览完成，账套未作任何修改".
// `changes`, when given, receives every value the run would change.
BatchOutcome PreviewClicked(CoreContext& context, ResultDisplayFactory& displays,
                            std::shared_ptr<const ChangeStore>* changes = nullptr);
// Command1: RunBatch recorded in the run journal, without confirmation or completion notice.
BatchOutcome Command1Clicked(CoreContext& context, ResultDisplayFactory& displays);

}  // namespace q9
