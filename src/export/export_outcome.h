#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/document_kind.h"
#include "host/failure.h"

namespace q9 {

enum class ExportResult {
    Written,
    SwitchesUnread,     // refused: the start-up could not read the switches
    WholeBillDiscount,  // refused: orders while the whole-bill discount is on
    QueryFailed,        // the candidate query failed
    NoCandidates,       // nothing to export
    NoFileChosen,       // the save dialog was cancelled or named no folder
    OverwriteDeclined,  // the operator kept the existing file
    WriteFailed,        // a workbook could not be written; those before it were
};

// What the export of one kind did.
struct ExportOutcome {
    DocumentKind kind = DocumentKind::PurchaseOrder;
    ExportResult result = ExportResult::Written;
    int lines = 0;                     // candidate lines found
    std::vector<std::string> files{};  // the workbooks written, in order
    std::optional<Failure> failure{};  // QueryFailed, WriteFailed

    bool written() const { return result == ExportResult::Written; }
};

}  // namespace q9
