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

// The notice that refuses a kind while the whole-bill discount is on: the order formulas leave
// that discount out. Null for the contracts, which it does not concern.
inline const char* WholeBillDiscountRefusal(DocumentKind kind) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return "系统启用整单折扣，本工具不支持修改采购订单业务。";
        case DocumentKind::SalesOrder:
            return "系统启用整单折扣，本工具不支持修改销售订单业务。";
        case DocumentKind::PayableContract:
        case DocumentKind::ReceivableContract:
            return nullptr;
    }
    return nullptr;
}

}  // namespace q9
