#pragma once

#include <string>

#include "host/recordset.h"

namespace q9 {

// A check box's value: ticked only when 1; a greyed box (2) does not count.
enum class CheckValue { Unchecked = 0, Checked = 1, Grayed = 2 };

inline bool IsTicked(CheckValue value) {
    return value == CheckValue::Checked;
}

// The documents re-rated are those dated before it; the start-up sets it.
inline constexpr const char* kCutoffDate = "2018-05-01";

// Everything on the window that the core reads, and the fields the window owns.
struct WindowState {
    CheckValue chk17 = CheckValue::Unchecked;
    CheckValue chk11 = CheckValue::Unchecked;
    CheckValue chkItem = CheckValue::Unchecked;
    CheckValue chkCust = CheckValue::Unchecked;
    CheckValue chkSupply = CheckValue::Unchecked;
    bool optAmount = true;  // false: OptPrice, the tax-exclusive-price rule

    std::string txtPOFile;
    std::string txtSOFile;
    std::string txtHTYFFile;
    std::string txtHYSFFile;

    std::string cutoffDate;
    bool billDiscountOn = false;
    bool discountIncludeTaxOn = false;
    // False after a start-up that could not read the two switches: the candidate queries and the
    // conversion formulas depend on them, so nothing may be exported or converted on a guess.
    bool switchesRead = true;

    RecordsetPtr currentRecordset;

    bool AnyRateSelected() const { return IsTicked(chk17) || IsTicked(chk11); }
    void ReleaseRecordset() { currentRecordset.reset(); }
};

}  // namespace q9
