#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

#include "host/document_kind.h"
#include "rates/rate_change.h"

namespace q9 {

// The candidate query of a kind, exactly as sent: entries at the profile's old rates, dated
// before its cut-off.
std::string CandidateQuery(DocumentKind kind, const RateProfile& profile,
                           bool discountIncludeTaxOn);

// A line of a kind: its document's id (FInterID; a contract's FContractID) and its entry's.
struct EntryKey {
    int32_t id = 0;
    int32_t entryId = 0;
    auto operator<=>(const EntryKey&) const = default;
};

// The lines among `keys` that exist, one row each: FInterID, FEntryID, FTaxRate (the line's
// rate) and FCandidate, 1 while the line satisfies the kind's candidate conditions other than
// the rate (those of CandidateQuery), else 0.
std::string CandidacyQuery(DocumentKind kind, const std::vector<EntryKey>& keys,
                           const std::string& cutoffDate, bool discountIncludeTaxOn);

}  // namespace q9
