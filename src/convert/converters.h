#pragma once

#include "host/context.h"
#include "host/ports.h"

namespace q9 {

// What one converter did, for progress and reports.
struct ConversionSummary {
    int rows = 0;          // workbook rows handled (title row excluded)
    int converted = 0;     // lines rewritten at the new rate
    int listed = 0;        // skipped-line entries added
    bool stopped = false;  // a row could not be handled and the loop ended there
};

ConversionSummary ConvertPurchaseOrders(CoreContext& context, ResultDisplay& display);
ConversionSummary ConvertSalesOrders(CoreContext& context, ResultDisplay& display);
ConversionSummary ConvertPayableContracts(CoreContext& context, ResultDisplay& display);
ConversionSummary ConvertReceivableContracts(CoreContext& context, ResultDisplay& display);

}  // namespace q9
