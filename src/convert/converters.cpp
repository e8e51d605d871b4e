#include "convert/converters.h"

#include "convert/row_loop.h"

namespace q9 {

std::vector<ConversionOutcome> ConvertPurchaseOrders(CoreContext& context, ResultDisplay& display) {
    return RunConversion(context, display, ConversionKindOf(DocumentKind::PurchaseOrder));
}

std::vector<ConversionOutcome> ConvertSalesOrders(CoreContext& context, ResultDisplay& display) {
    return RunConversion(context, display, ConversionKindOf(DocumentKind::SalesOrder));
}

std::vector<ConversionOutcome> ConvertPayableContracts(CoreContext& context,
                                                       ResultDisplay& display) {
    return RunConversion(context, display, ConversionKindOf(DocumentKind::PayableContract));
}

std::vector<ConversionOutcome> ConvertReceivableContracts(CoreContext& context,
                                                          ResultDisplay& display) {
    return RunConversion(context, display, ConversionKindOf(DocumentKind::ReceivableContract));
}

}  // namespace q9
