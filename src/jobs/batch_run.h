#pragma once

#include "convert/converters.h"
#include "host/context.h"
#include "host/ports.h"
#include "journal/run_recorder.h"

namespace q9 {

struct BatchSummary {
    ConversionSummary purchaseOrders, salesOrders, payableContracts, receivableContracts;
    // StoppedByDatabase: a step met a locked, busy or lost database and no later step ran.
    RunProgress progress = RunProgress::GoesOn;
};

// Master data, the four conversions in order with one display, then the display is shown.
// Throws HostError when the display or the master-data step fails.
BatchSummary RunBatch(CoreContext& context, ResultDisplayFactory& displays);
BatchSummary RunAllConversions(CoreContext& context, ResultDisplay& display);

// cmdFix: confirmation, RunBatch, "调整完成"; failures shown as notices. False when the
// operator said No, a failure was shown or the database stopped the run (no "调整完成" then).
// `summary`, when given, receives what the run did.
bool FixClicked(CoreContext& context, ResultDisplayFactory& displays,
                BatchSummary* summary = nullptr);
// The preview button: the whole run computed by the account's engine inside a transaction that
// is rolled back, without a question; the same grid, then "预览完成，账套未作任何修改".
// `changes`, when given, receives every value the run would change.
bool PreviewClicked(CoreContext& context, ResultDisplayFactory& displays,
                    BatchSummary* summary = nullptr, std::vector<ChangeRow>* changes = nullptr);
// Command1: RunBatch without confirmation or completion notice.
bool Command1Clicked(CoreContext& context, ResultDisplayFactory& displays,
                     BatchSummary* summary = nullptr);

}  // namespace q9
