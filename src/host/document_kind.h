#pragma once

#include <array>
#include <string>

namespace q9 {

enum class DocumentKind { PurchaseOrder, SalesOrder, PayableContract, ReceivableContract };

inline constexpr std::array<DocumentKind, 4> kAllDocumentKinds = {
    DocumentKind::PurchaseOrder, DocumentKind::SalesOrder, DocumentKind::PayableContract,
    DocumentKind::ReceivableContract};

// Names the export sheet and is the sheet the reader asks for.
inline std::string KindText(DocumentKind kind) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return "采购订单";
        case DocumentKind::SalesOrder:
            return "销售订单";
        case DocumentKind::PayableContract:
            return "应付合同";
        case DocumentKind::ReceivableContract:
            return "应收合同";
    }
    return {};
}

}  // namespace q9
