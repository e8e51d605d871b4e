#include <initializer_list>
#include <string>

#include "export/export_handlers.h"

namespace q9 {

namespace {

constexpr const char* kLineEnd = "\r\n";

constexpr const char* kOrderSelect =
    "SELECT d.FBillNo,de.FInterID,de.FEntryID,ts.FName AS FSupplyName,t.FNumber AS "
    "FItemNumber,t.FName AS FItemName,de.FAuxQty,";
constexpr const char* kOrderMaterialJoin = "INNER JOIN t_ICItemCore t ON t.FItemID = de.FItemID";
constexpr const char* kOrderWhere =
    "Where de.FQtyInvoice =0 AND d.FCancellation =0 And (de.FCess = 17 OR de.FCess = 11) AND "
    "d.FDate<'";

constexpr const char* kContractSelect =
    "SELECT d.FContractNo AS FBillNo,de.FContractID AS FInterID,de.FEntryID,CASE WHEN "
    "d.FItemClassID =1 THEN tg.FName ELSE ts.FName END AS FSupplyName,t.FNumber AS "
    "FItemNumber,t.FName AS FItemName,";
constexpr const char* kContractAmounts =
    "de.FQuantity AS FAuxQty,de.FPriceFor AS FAuxPrice,de.FTaxPriceFor AS FAuxTaxPrice,de.FTaxFor "
    "AS FTaxAmount,de.FAmount,de.FTaxRate AS FTaxRate,de.FAmountFor "
    "FAmount,de.FAmountIncludeTaxFor "
    "AS FAllAmount,de.FReceiveAmountFor FCommitAmt FROM t_RPContract d";
constexpr const char* kContractEntryJoin =
    "INNER JOIN t_RPContractEntry de ON d.FContractID = de.FContractID";
constexpr const char* kContractMaterialJoin =
    "INNER JOIN t_ICItemCore t ON t.FItemID = de.FProductID";
constexpr const char* kContractSupplierJoin = "LEFT JOIN t_Supplier ts ON ts.FItemID = d.FCustomer";
constexpr const char* kContractCustomerJoin =
    "LEFT JOIN t_Organization tg ON tg.FItemID = d.FCustomer";
constexpr const char* kContractConditions =
    " AND d.FCancellation =0 And de.FInvoiceQty_Relative=0 AND (de.FTaxRate = 17 OR de.FTaxRate = "
    "11) AND d.FDate<'";
constexpr const char* kNoBusinessDiscount = " AND de.FBusinessDiscountFor=0";

std::string JoinLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += kLineEnd;
    }
    return text;
}

std::string OrderQuery(const std::string& orderTable, const std::string& entryTable,
                       const std::string& partnerJoin, const std::string& cutoffDate) {
    return JoinLines({
        kOrderSelect,
        "de.FAuxPrice,de.FAuxTaxPrice,de.FAmount,de.FCess AS FTaxRate,FTaxAmount,FAllAmount,"
        "de.FAuxCommitQty AS FCommitQty,de.FReceiveAmountFor_Commit AS FCommitAmt FROM " +
            orderTable + " d",
        "INNER JOIN " + entryTable + " de ON d.FInterID = de.FInterID",
        kOrderMaterialJoin,
        partnerJoin,
        kOrderWhere + cutoffDate + "'",
    });
}

std::string ContractQuery(const std::string& classTypeId, const std::string& cutoffDate) {
    return JoinLines({
        kContractSelect,
        kContractAmounts,
        kContractEntryJoin,
        kContractMaterialJoin,
        kContractSupplierJoin,
        kContractCustomerJoin,
        "Where d.FClassTypeID=" + classTypeId + kContractConditions + cutoffDate + "'",
    });
}

}  // namespace

std::string CandidateQuery(DocumentKind kind, const std::string& cutoffDate,
                           bool discountIncludeTaxOn) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return OrderQuery("POOrder", "POOrderEntry",
                              "INNER JOIN t_Supplier ts ON ts.FItemID = d.FSupplyID", cutoffDate);
        case DocumentKind::SalesOrder:
            return OrderQuery("SEOrder", "SEOrderEntry",
                              "INNER JOIN t_Organization ts ON ts.FItemID = d.FCustID", cutoffDate);
        case DocumentKind::PayableContract:
            return ContractQuery("1000020", cutoffDate) + kNoBusinessDiscount;
        case DocumentKind::ReceivableContract: {
            // With the discount counted into the tax base, discounted entries can be re-rated too.
            std::string text = ContractQuery("1000019", cutoffDate);
            if (!discountIncludeTaxOn) text += kNoBusinessDiscount;
            return text;
        }
    }
    return {};
}

}  // namespace q9
