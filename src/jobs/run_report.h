#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/converters.h"
#include "journal/run_recorder.h"

namespace q9 {

// One document kind's part of a run, summed over its workbooks.
struct KindSummary {
    DocumentKind kind = DocumentKind::PurchaseOrder;
    int converted = 0;
    int refused = 0;    // rows listed in the grid
    int unchanged = 0;  // lines no longer at their old rate: left as they were
    // The sums of the line taxes the run changed (account currency), before and after; a tax
    // the run left as it was counts in neither.
    std::string taxBefore = "0";
    std::string taxAfter = "0";
};

// What the grid of a run offers besides its rows.
struct RunReport {
    std::vector<KindSummary> kinds;  // the kinds the run reached, in its order
    std::shared_ptr<const ChangeStore> changes = std::make_shared<ChangeStore>();
    // The journaled run the grid shows, finished and so undoable; 0 for a preview or a run that
    // cannot be undone.
    int32_t undoableRun = 0;
};

// Reads the changes once; throws HostError when they cannot be read.
RunReport ReportOf(const std::vector<ConversionOutcome>& conversions,
                   std::shared_ptr<const ChangeStore> changes, int32_t undoableRun);

}  // namespace q9
