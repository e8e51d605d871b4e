#pragma once

#include "host/context.h"
#include "host/ports.h"

namespace q9 {

// Whether the one-click run goes on after a step: an account database that is locked, busy or
// gone ends it there, with the notice kDatabaseUnavailableText.
enum class RunProgress { GoesOn, StoppedByDatabase };

// What one converter did, for progress and reports.
struct ConversionSummary {
    int rows = 0;          // workbook rows handled (title row excluded)
    int converted = 0;     // lines rewritten at the new rate
    int listed = 0;        // skipped-line entries added
    int unmatched = 0;     // rows whose ids match no line of the kind: not listed, not sent
    bool stopped = false;  // a row could not be handled and the loop ended there
    RunProgress progress = RunProgress::GoesOn;
};

ConversionSummary ConvertPurchaseOrders(CoreContext& context, ResultDisplay& display);
ConversionSummary ConvertSalesOrders(CoreContext& context, ResultDisplay& display);
ConversionSummary ConvertPayableContracts(CoreContext& context, ResultDisplay& display);
ConversionSummary ConvertReceivableContracts(CoreContext& context, ResultDisplay& display);

}  // namespace q9
