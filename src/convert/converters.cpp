#include "convert/converters.h"

#include "convert/row_loop.h"

namespace q9 {

ConversionSummary ConvertPurchaseOrders(CoreContext& context, ResultDisplay& display) {
    return RunConversion(context, display, ConversionKindOf(DocumentKind::PurchaseOrder));
}

ConversionSummary ConvertSalesOrders(CoreContext& context, ResultDisplay& display) {
    return RunConversion(context, display, ConversionKindOf(DocumentKind::SalesOrder));
}

ConversionSummary ConvertPayableContracts(CoreContext& context, ResultDisplay& display) {
    return RunConversion(context, display, ConversionKindOf(DocumentKind::PayableContract));
}

ConversionSummary ConvertReceivableContracts(CoreContext& context, ResultDisplay& display) {
    return RunConversion(context, display, ConversionKindOf(DocumentKind::ReceivableContract));
}

}  // namespace q9
