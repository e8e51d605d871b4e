#include "jobs/run_report.h"

#include <gtest/gtest.h>

#include "support/change_rows.h"

namespace q9 {
namespace {

ChangeRow Change(DocumentKind kind, const char* table, const char* column, const char* before,
                 const char* after) {
    return {KindText(kind), "B1", {table, "FInterID=1;FEntryID=1", column, before, after}};
}

// Each kind is summed over its workbooks, and its tax is its own entry table's tax column in
// the account's currency, summed exactly: not the sales order's discount (FTaxAmount), not the
// contract's foreign-currency tax, not another kind's rows, nor a null.
TEST(ReportOf, SumsEachKindOverItsWorkbooksAndItsOwnTaxColumn) {
    std::vector<ConversionOutcome> conversions(3);
    conversions[0] = {
        .kind = DocumentKind::SalesOrder, .converted = 2, .unchanged = 1, .listed = 3};
    conversions[1] = {.kind = DocumentKind::SalesOrder, .converted = 1, .listed = 1};
    conversions[2] = {.kind = DocumentKind::PayableContract, .converted = 1};
    const std::vector<ChangeRow> changes = {
        Change(DocumentKind::SalesOrder, "SEOrderEntry", "FTaxAmt", "0.1", "0.2"),
        Change(DocumentKind::SalesOrder, "SEOrderEntry", "FTaxAmt", "0.2", "0.3"),
        Change(DocumentKind::SalesOrder, "SEOrderEntry", "FTaxAmount", "50", "60"),
        Change(DocumentKind::SalesOrder, "SEOrderEntry", "FTaxAmt", "NULL", "7"),
        Change(DocumentKind::PurchaseOrder, "POOrderEntry", "FTaxAmount", "1000", "2000"),
        Change(DocumentKind::PayableContract, "t_RPContractEntry", "FTax", "170", "160.05"),
        Change(DocumentKind::PayableContract, "t_RPContractEntry", "FTaxFor", "17", "16"),
        Change(DocumentKind::PayableContract, "t_RPContract", "FTax", "900", "800"),
    };
    const RunReport report = ReportOf(conversions, testing::StoreOf(changes), 7);

    struct Expected {
        DocumentKind kind;
        int converted, refused, unchanged;
        const char* taxBefore;
        const char* taxAfter;
    };
    const Expected expected[] = {
        {DocumentKind::SalesOrder, 3, 4, 1, "0.3", "7.5"},
        {DocumentKind::PayableContract, 1, 0, 0, "170", "160.05"},
    };
    ASSERT_EQ(report.kinds.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const KindSummary& k = report.kinds[i];
        EXPECT_EQ(k.kind, expected[i].kind) << i;
        EXPECT_EQ(k.converted, expected[i].converted) << i;
        EXPECT_EQ(k.refused, expected[i].refused) << i;
        EXPECT_EQ(k.unchanged, expected[i].unchanged) << i;
        EXPECT_EQ(k.taxBefore, expected[i].taxBefore) << i;
        EXPECT_EQ(k.taxAfter, expected[i].taxAfter) << i;
    }
    EXPECT_EQ(report.changes->size(), changes.size());
    EXPECT_EQ(report.undoableRun, 7);
}

}  // namespace
}  // namespace q9
