#include "export/candidate_queries.h"

#include <algorithm>
#include <initializer_list>

namespace q9 {

namespace {

constexpr const char* kLineEnd = "\r\n";

constexpr const char* kOrderSelect =
    "SELECT d.FBillNo,de.FInterID,de.FEntryID,ts.FName AS FSupplyName,t.FNumber AS "
    "FItemNumber,t.FName AS FItemName,de.FAuxQty,";
constexpr const char* kOrderMaterialJoin = "INNER JOIN t_ICItemCore t ON t.FItemID = de.FItemID";

constexpr const char* kContractSelect =
    "SELECT d.FContractNo AS FBillNo,de.FContractID AS FInterID,de.FEntryID,CASE WHEN "
    "d.FItemClassID =1 THEN tg.FName ELSE ts.FName END AS FSupplyName,t.FNumber AS "
    "FItemNumber,t.FName AS FItemName,";
constexpr const char* kContractAmounts =
    "de.FQuantity AS FAuxQty,de.FPriceFor AS FAuxPrice,de.FTaxPriceFor AS FAuxTaxPrice,de.FTaxFor "
    "AS FTaxAmount,de.FAmount,de.FTaxRate AS FTaxRate,de.FAmountFor "
    "FAmount,de.FAmountIncludeTaxFor "
    "AS FAllAmount,de.FReceiveAmountFor FCommitAmt FROM t_RPContract d";
constexpr const char* kContractMaterialJoin =
    "INNER JOIN t_ICItemCore t ON t.FItemID = de.FProductID";
constexpr const char* kContractSupplierJoin = "LEFT JOIN t_Supplier ts ON ts.FItemID = d.FCustomer";
constexpr const char* kContractCustomerJoin =
    "LEFT JOIN t_Organization tg ON tg.FItemID = d.FCustomer";
constexpr const char* kNoBusinessDiscount = " AND de.FBusinessDiscountFor=0";

// What selects a kind's candidates: its tables and its conditions, the rate apart. The candidate
// query and the candidacy query are both written from it.
struct KindSelection {
    std::string headerTable;  // "POOrder"
    std::string entryJoin;    // "INNER JOIN POOrderEntry de ON d.FInterID = de.FInterID"
    std::string idColumn;     // "de.FInterID"
    std::string rateColumn;   // "de.FCess"
    std::string conditions;   // before the rate: "de.FQtyInvoice =0 AND d.FCancellation =0"
    std::string beforeRate;   // " And ", as each query has always joined the rate on
    bool noBusinessDiscount = false;

    // "d.FDate<'YYYY-MM-DD'"
    static std::string DateCondition(const std::string& cutoffDate) {
        return "d.FDate<'" + cutoffDate + "'";
    }
    std::string DiscountTail() const { return noBusinessDiscount ? kNoBusinessDiscount : ""; }
};

KindSelection OrderSelection(const std::string& headerTable, const std::string& entryTable) {
    return {headerTable,
            "INNER JOIN " + entryTable + " de ON d.FInterID = de.FInterID",
            "de.FInterID",
            "de.FCess",
            "de.FQtyInvoice =0 AND d.FCancellation =0",
            " And ",
            false};
}

KindSelection ContractSelection(const std::string& classTypeId, bool noBusinessDiscount) {
    return {
        "t_RPContract",
        "INNER JOIN t_RPContractEntry de ON d.FContractID = de.FContractID",
        "de.FContractID",
        "de.FTaxRate",
        "d.FClassTypeID=" + classTypeId + " AND d.FCancellation =0 And de.FInvoiceQty_Relative=0",
        " AND ",
        noBusinessDiscount};
}

KindSelection SelectionOf(DocumentKind kind, bool discountIncludeTaxOn) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return OrderSelection("POOrder", "POOrderEntry");
        case DocumentKind::SalesOrder:
            return OrderSelection("SEOrder", "SEOrderEntry");
        case DocumentKind::PayableContract:
            return ContractSelection("1000020", true);
        case DocumentKind::ReceivableContract:
            // With the discount counted into the tax base, discounted entries can be re-rated too.
            return ContractSelection("1000019", !discountIncludeTaxOn);
    }
    return {};
}

std::string JoinLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += kLineEnd;
    }
    return text;
}

// "(de.FCess = OLD OR de.FCess = OLD)": the profile's old rates, whichever boxes are ticked.
std::string OldRateCondition(const std::string& column, const RateProfile& profile) {
    std::string text = "(";
    for (size_t i = 0; i < profile.changes.size(); ++i) {
        if (i > 0) text += " OR ";
        text += column + " = " + profile.changes[i].oldRate.Text();
    }
    return text + ")";
}

std::string CandidateWhere(const KindSelection& s, const RateProfile& profile) {
    return "Where " + s.conditions + s.beforeRate + OldRateCondition(s.rateColumn, profile) +
           " AND " + KindSelection::DateCondition(profile.CutoffDate());
}

std::string OrderQuery(const KindSelection& s, const std::string& partnerJoin,
                       const RateProfile& profile) {
    return JoinLines({
        kOrderSelect,
        "de.FAuxPrice,de.FAuxTaxPrice,de.FAmount,de.FCess AS FTaxRate,FTaxAmount,FAllAmount,"
        "de.FAuxCommitQty AS FCommitQty,de.FReceiveAmountFor_Commit AS FCommitAmt FROM " +
            s.headerTable + " d",
        s.entryJoin,
        kOrderMaterialJoin,
        partnerJoin,
        CandidateWhere(s, profile),
    });
}

std::string ContractQuery(const KindSelection& s, const RateProfile& profile) {
    return JoinLines({
               kContractSelect,
               kContractAmounts,
               s.entryJoin,
               kContractMaterialJoin,
               kContractSupplierJoin,
               kContractCustomerJoin,
               CandidateWhere(s, profile),
           }) +
           s.DiscountTail();
}

}  // namespace

std::string CandidateQuery(DocumentKind kind, const RateProfile& profile,
                           bool discountIncludeTaxOn) {
    const KindSelection s = SelectionOf(kind, discountIncludeTaxOn);
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return OrderQuery(s, "INNER JOIN t_Supplier ts ON ts.FItemID = d.FSupplyID", profile);
        case DocumentKind::SalesOrder:
            return OrderQuery(s, "INNER JOIN t_Organization ts ON ts.FItemID = d.FCustID", profile);
        case DocumentKind::PayableContract:
        case DocumentKind::ReceivableContract:
            return ContractQuery(s, profile);
    }
    return {};
}

std::string CandidacyQuery(DocumentKind kind, const std::vector<EntryKey>& keys,
                           const std::string& cutoffDate, bool discountIncludeTaxOn) {
    const KindSelection s = SelectionOf(kind, discountIncludeTaxOn);
    // Two lists rather than one condition per key: a thousand ORs nest deeper than a database
    // parses. Lines of these documents with other entry ids come back too; nobody asks for them.
    std::vector<int32_t> ids, entries;
    for (const EntryKey& key : keys) {
        if (std::find(ids.begin(), ids.end(), key.id) == ids.end()) ids.push_back(key.id);
        if (std::find(entries.begin(), entries.end(), key.entryId) == entries.end()) {
            entries.push_back(key.entryId);
        }
    }
    const auto list = [](const std::vector<int32_t>& numbers) {
        std::string text = "(";
        for (size_t i = 0; i < numbers.size(); ++i) {
            if (i > 0) text += ",";
            text += std::to_string(numbers[i]);
        }
        return numbers.empty() ? std::string("(NULL)") : text + ")";
    };
    return JoinLines({
        "SELECT " + s.idColumn + " AS FInterID,de.FEntryID," + s.rateColumn +
            " AS FTaxRate,CASE WHEN " + s.conditions + " AND " +
            KindSelection::DateCondition(cutoffDate) + s.DiscountTail() +
            " THEN 1 ELSE 0 END AS FCandidate FROM " + s.headerTable + " d",
        s.entryJoin,
        "Where " + s.idColumn + " IN " + list(ids) + " AND de.FEntryID IN " + list(entries),
    });
}

}  // namespace q9
