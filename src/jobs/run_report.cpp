#include "jobs/run_report.h"

#include <algorithm>

#include "host/db/exact_decimal.h"
#include "journal/change_capture.h"

namespace q9 {

namespace {

// The column of a line's tax in the account's currency; the sales order's FTaxAmount is its
// discount.
const char* TaxColumn(DocumentKind kind) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return "FTaxAmount";
        case DocumentKind::SalesOrder:
            return "FTaxAmt";
        case DocumentKind::PayableContract:
        case DocumentKind::ReceivableContract:
            break;
    }
    return "FTax";
}

// `sum` + the literal, exactly; a null or a sum beyond the decimals leaves it as it is.
void AddTo(std::string& sum, const std::string& literal) {
    const auto total = decimal::Parse(sum);
    const auto value = decimal::Parse(literal);
    if (!total || !value) return;
    const decimal::Result added =
        decimal::Add(*total, *value, std::max(total->scale, value->scale));
    if (added.failure == decimal::Failure::None) sum = decimal::ToText(added.value);
}

}  // namespace

RunReport ReportOf(const std::vector<ConversionOutcome>& conversions,
                   std::shared_ptr<const ChangeStore> changes, int32_t undoableRun) {
    RunReport report;
    for (const ConversionOutcome& c : conversions) {
        auto found = std::find_if(report.kinds.begin(), report.kinds.end(),
                                  [&](const KindSummary& k) { return k.kind == c.kind; });
        if (found == report.kinds.end()) {
            report.kinds.push_back({.kind = c.kind});
            found = report.kinds.end() - 1;
        }
        found->converted += c.converted;
        found->refused += c.listed;
        found->unchanged += c.unchanged;
    }
    struct TaxOf {
        std::string kind, table, column;
        KindSummary* summary;
    };
    std::vector<TaxOf> taxes;
    for (KindSummary& kind : report.kinds) {
        taxes.push_back({KindText(kind.kind), EntryTable(kind.kind), TaxColumn(kind.kind), &kind});
    }
    changes->ForEach([&](const ChangeRow& change) {
        for (const TaxOf& tax : taxes) {
            if (change.value.column == tax.column && change.value.table == tax.table &&
                change.kind == tax.kind) {
                AddTo(tax.summary->taxBefore, change.value.before);
                AddTo(tax.summary->taxAfter, change.value.after);
            }
        }
    });
    report.changes = std::move(changes);
    report.undoableRun = undoableRun;
    return report;
}

}  // namespace q9
