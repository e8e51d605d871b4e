#pragma once

#include <iterator>
#include <string>
#include <vector>

#include "host/recordset.h"
#include "rates/adjustment_rule.h"
#include "rates/rate_change.h"

namespace q9 {

// A check box's value: ticked only when 1; a greyed box (2) does not count.
enum class CheckValue { Unchecked = 0, Checked = 1, Grayed = 2 };

inline bool IsTicked(CheckValue value) {
    return value == CheckValue::Checked;
}

// Everything on the window that the core reads, and the fields the window owns.
struct WindowState {
    // The boxes of the profile's first and second rate change (Chk17, Chk11).
    CheckValue chk17 = CheckValue::Unchecked;
    CheckValue chk11 = CheckValue::Unchecked;
    CheckValue chkItem = CheckValue::Unchecked;
    CheckValue chkCust = CheckValue::Unchecked;
    CheckValue chkSupply = CheckValue::Unchecked;
    AdjustmentRule adjustmentRule = AdjustmentRule::KeepTaxInclusivePrice;

    std::string txtPOFile;
    std::string txtSOFile;
    std::string txtHTYFFile;
    std::string txtHYSFFile;

    // The rate changes being made; the cut-off date is its cut-off once the start-up has run.
    RateProfile rateProfile = StandardRateProfile();
    std::string cutoffDate;
    bool billDiscountOn = false;
    bool discountIncludeTaxOn = false;
    // False after a start-up that could not read the two switches: the candidate queries and the
    // conversion formulas depend on them, so nothing may be exported or converted on a guess.
    bool switchesRead = true;

    RecordsetPtr currentRecordset;

    bool AnyRateSelected() const { return IsTicked(chk17) || IsTicked(chk11); }
    // The ticked changes of the profile, first change first.
    std::vector<const RateChange*> TickedChanges() const {
        const CheckValue boxes[] = {chk17, chk11};
        std::vector<const RateChange*> ticked;
        for (size_t i = 0; i < rateProfile.changes.size() && i < std::size(boxes); ++i) {
            if (IsTicked(boxes[i])) ticked.push_back(&rateProfile.changes[i]);
        }
        return ticked;
    }
    void ReleaseRecordset() { currentRecordset.reset(); }
};

}  // namespace q9
