#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/context.h"
#include "host/document_kind.h"
#include "host/failure.h"
#include "host/ports.h"

namespace q9 {

// Whether the one-click run goes on after a step: an account database that is locked, busy or
// gone ends it there, with the notice kDatabaseUnavailableText.
enum class RunProgress { GoesOn, StoppedByDatabase };

// What one converter did with one workbook. Every row handled is counted once: converted,
// unchanged, refused, unmatched, failed (in `failures`) or the row the loop stopped at.
struct ConversionOutcome {
    DocumentKind kind = DocumentKind::PurchaseOrder;
    std::string workbook{};  // the workbook named; empty: none was, nothing was done
    int rows = 0;            // workbook rows handled (title row and cleared rows excluded)
    int converted = 0;       // lines rewritten at the new rate
    int unchanged = 0;  // the line is no longer at its old rate, or lacks its header or material
    int refused = 0;    // rows the rules refused: no ticked rate for the cell, or a conflict
    int listed = 0;     // entries added to the result grid
    int unmatched = 0;  // rows whose ids match no line of the kind: not listed, not sent
    // Lines the database refused to change, and a debug log or reader failure that did not stop
    // the workbook; in the order they happened.
    std::vector<Failure> failures{};
    // What ended the workbook early: it could not be read, or a row could not be handled.
    std::optional<Failure> stop{};
    RunProgress progress = RunProgress::GoesOn;

    bool stopped() const { return stop.has_value(); }
    bool ok() const { return !stop && failures.empty(); }
};

// One outcome per workbook the kind's box names, in its order (one with no workbook when it
// names none).
std::vector<ConversionOutcome> ConvertPurchaseOrders(CoreContext& context, ResultDisplay& display);
std::vector<ConversionOutcome> ConvertSalesOrders(CoreContext& context, ResultDisplay& display);
std::vector<ConversionOutcome> ConvertPayableContracts(CoreContext& context,
                                                       ResultDisplay& display);
std::vector<ConversionOutcome> ConvertReceivableContracts(CoreContext& context,
                                                          ResultDisplay& display);

}  // namespace q9
