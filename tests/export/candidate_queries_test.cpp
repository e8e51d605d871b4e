#include "export/candidate_queries.h"

#include <gtest/gtest.h>

namespace q9 {
namespace {

// The texts as the account database must receive them, written out in full.
const std::string kPurchaseOrders =
    "SELECT d.FBillNo,de.FInterID,de.FEntryID,ts.FName AS FSupplyName,t.FNumber AS "
    "FItemNumber,t.FName AS FItemName,de.FAuxQty,\r\n"
    "de.FAuxPrice,de.FAuxTaxPrice,de.FAmount,de.FCess AS "
    "FTaxRate,FTaxAmount,FAllAmount,de.FAuxCommitQty AS FCommitQty,de.FReceiveAmountFor_Commit AS "
    "FCommitAmt FROM POOrder d\r\n"
    "INNER JOIN POOrderEntry de ON d.FInterID = de.FInterID\r\n"
    "INNER JOIN t_ICItemCore t ON t.FItemID = de.FItemID\r\n"
    "INNER JOIN t_Supplier ts ON ts.FItemID = d.FSupplyID\r\n"
    "Where de.FQtyInvoice =0 AND d.FCancellation =0 And (de.FCess = 17 OR de.FCess = 11) AND "
    "d.FDate<'2018-05-01'\r\n";

const std::string kSalesOrders =
    "SELECT d.FBillNo,de.FInterID,de.FEntryID,ts.FName AS FSupplyName,t.FNumber AS "
    "FItemNumber,t.FName AS FItemName,de.FAuxQty,\r\n"
    "de.FAuxPrice,de.FAuxTaxPrice,de.FAmount,de.FCess AS "
    "FTaxRate,FTaxAmount,FAllAmount,de.FAuxCommitQty AS FCommitQty,de.FReceiveAmountFor_Commit AS "
    "FCommitAmt FROM SEOrder d\r\n"
    "INNER JOIN SEOrderEntry de ON d.FInterID = de.FInterID\r\n"
    "INNER JOIN t_ICItemCore t ON t.FItemID = de.FItemID\r\n"
    "INNER JOIN t_Organization ts ON ts.FItemID = d.FCustID\r\n"
    "Where de.FQtyInvoice =0 AND d.FCancellation =0 And (de.FCess = 17 OR de.FCess = 11) AND "
    "d.FDate<'2018-05-01'\r\n";

const std::string kContractLines1To6 =
    "SELECT d.FContractNo AS FBillNo,de.FContractID AS FInterID,de.FEntryID,CASE WHEN "
    "d.FItemClassID =1 THEN tg.FName ELSE ts.FName END AS FSupplyName,t.FNumber AS "
    "FItemNumber,t.FName AS FItemName,\r\n"
    "de.FQuantity AS FAuxQty,de.FPriceFor AS FAuxPrice,de.FTaxPriceFor AS FAuxTaxPrice,de.FTaxFor "
    "AS FTaxAmount,de.FAmount,de.FTaxRate AS FTaxRate,de.FAmountFor "
    "FAmount,de.FAmountIncludeTaxFor AS FAllAmount,de.FReceiveAmountFor FCommitAmt FROM "
    "t_RPContract d\r\n"
    "INNER JOIN t_RPContractEntry de ON d.FContractID = de.FContractID\r\n"
    "INNER JOIN t_ICItemCore t ON t.FItemID = de.FProductID\r\n"
    "LEFT JOIN t_Supplier ts ON ts.FItemID = d.FCustomer\r\n"
    "LEFT JOIN t_Organization tg ON tg.FItemID = d.FCustomer\r\n";

const std::string kPayableContracts =
    kContractLines1To6 +
    "Where d.FClassTypeID=1000020 AND d.FCancellation =0 And de.FInvoiceQty_Relative=0 AND "
    "(de.FTaxRate = 17 OR de.FTaxRate = 11) AND d.FDate<'2018-05-01'\r\n"
    " AND de.FBusinessDiscountFor=0";

const std::string kReceivableContractsWithoutTail =
    kContractLines1To6 +
    "Where d.FClassTypeID=1000019 AND d.FCancellation =0 And de.FInvoiceQty_Relative=0 AND "
    "(de.FTaxRate = 17 OR de.FTaxRate = 11) AND d.FDate<'2018-05-01'\r\n";

TEST(CandidateQuery, OrdersAndPayableContractsIgnoreTheDiscountSwitch) {
    for (bool discountIncludeTax : {false, true}) {
        SCOPED_TRACE(discountIncludeTax);
        EXPECT_EQ(
            CandidateQuery(DocumentKind::PurchaseOrder, StandardRateProfile(), discountIncludeTax),
            kPurchaseOrders);
        EXPECT_EQ(
            CandidateQuery(DocumentKind::SalesOrder, StandardRateProfile(), discountIncludeTax),
            kSalesOrders);
        EXPECT_EQ(CandidateQuery(DocumentKind::PayableContract, StandardRateProfile(),
                                 discountIncludeTax),
                  kPayableContracts);
    }
}

TEST(CandidateQuery, ReceivableContractsExcludeDiscountedEntriesOnlyWhileTheSwitchIsOff) {
    EXPECT_EQ(CandidateQuery(DocumentKind::ReceivableContract, StandardRateProfile(), false),
              kReceivableContractsWithoutTail + " AND de.FBusinessDiscountFor=0");
    EXPECT_EQ(CandidateQuery(DocumentKind::ReceivableContract, StandardRateProfile(), true),
              kReceivableContractsWithoutTail);
}

TEST(CandidateQuery, TheCutoffDateIsWrittenBetweenApostrophes) {
    RateProfile profile = StandardRateProfile();
    for (RateChange& change : profile.changes) change.cutoffDate = "2019-04-01";
    const std::string text = CandidateQuery(DocumentKind::SalesOrder, profile, false);
    EXPECT_NE(text.find("AND d.FDate<'2019-04-01'\r\n"), std::string::npos);
    EXPECT_EQ(text.find("2018"), std::string::npos);
}

// The lines of a workbook looked up again before they are converted: the candidate query's own
// conditions, the rate apart, restricted to the workbook's documents and entry ids.
TEST(CandidacyQuery, EachKindAsksWithItsCandidateConditionsButTheRate) {
    const std::vector<EntryKey> keys = {{501, 2}, {7, 1}, {501, 1}, {9, 2}};
    const struct {
        DocumentKind kind;
        bool discountIncludeTax;
        std::string text;
    } cases[] = {
        {DocumentKind::PurchaseOrder, false,
         "SELECT de.FInterID AS FInterID,de.FEntryID,de.FCess AS FTaxRate,CASE WHEN "
         "de.FQtyInvoice =0 AND d.FCancellation =0 AND d.FDate<'2018-05-01' THEN 1 ELSE 0 END AS "
         "FCandidate FROM POOrder d\r\n"
         "INNER JOIN POOrderEntry de ON d.FInterID = de.FInterID\r\n"
         "Where de.FInterID IN (501,7,9) AND de.FEntryID IN (2,1)\r\n"},
        {DocumentKind::SalesOrder, true,
         "SELECT de.FInterID AS FInterID,de.FEntryID,de.FCess AS FTaxRate,CASE WHEN "
         "de.FQtyInvoice =0 AND d.FCancellation =0 AND d.FDate<'2018-05-01' THEN 1 ELSE 0 END AS "
         "FCandidate FROM SEOrder d\r\n"
         "INNER JOIN SEOrderEntry de ON d.FInterID = de.FInterID\r\n"
         "Where de.FInterID IN (501,7,9) AND de.FEntryID IN (2,1)\r\n"},
        {DocumentKind::PayableContract, true,
         "SELECT de.FContractID AS FInterID,de.FEntryID,de.FTaxRate AS FTaxRate,CASE WHEN "
         "d.FClassTypeID=1000020 AND d.FCancellation =0 And de.FInvoiceQty_Relative=0 AND "
         "d.FDate<'2018-05-01' AND de.FBusinessDiscountFor=0 THEN 1 ELSE 0 END AS FCandidate FROM "
         "t_RPContract d\r\n"
         "INNER JOIN t_RPContractEntry de ON d.FContractID = de.FContractID\r\n"
         "Where de.FContractID IN (501,7,9) AND de.FEntryID IN (2,1)\r\n"},
        {DocumentKind::ReceivableContract, false,
         "SELECT de.FContractID AS FInterID,de.FEntryID,de.FTaxRate AS FTaxRate,CASE WHEN "
         "d.FClassTypeID=1000019 AND d.FCancellation =0 And de.FInvoiceQty_Relative=0 AND "
         "d.FDate<'2018-05-01' AND de.FBusinessDiscountFor=0 THEN 1 ELSE 0 END AS FCandidate FROM "
         "t_RPContract d\r\n"
         "INNER JOIN t_RPContractEntry de ON d.FContractID = de.FContractID\r\n"
         "Where de.FContractID IN (501,7,9) AND de.FEntryID IN (2,1)\r\n"},
        {DocumentKind::ReceivableContract, true,
         "SELECT de.FContractID AS FInterID,de.FEntryID,de.FTaxRate AS FTaxRate,CASE WHEN "
         "d.FClassTypeID=1000019 AND d.FCancellation =0 And de.FInvoiceQty_Relative=0 AND "
         "d.FDate<'2018-05-01' THEN 1 ELSE 0 END AS FCandidate FROM t_RPContract d\r\n"
         "INNER JOIN t_RPContractEntry de ON d.FContractID = de.FContractID\r\n"
         "Where de.FContractID IN (501,7,9) AND de.FEntryID IN (2,1)\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CandidacyQuery(c.kind, keys, "2018-05-01", c.discountIncludeTax), c.text)
            << static_cast<int>(c.kind) << " " << c.discountIncludeTax;
    }
}

}  // namespace
}  // namespace q9
