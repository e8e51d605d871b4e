#pragma once

#include <cstdint>
#include <string>

#include "rates/rate_change.h"

namespace q9 {

struct DemoAccountOptions {
    // 0: the hand-made sample; otherwise this many entry lines per document kind.
    int generatedEntries = 0;
    uint64_t seed = 1;
    // The host's system-profile switches (FCategory 'IC', keys 'BillDisCount' and
    // 'DisCountIncludeTax'): rows are always present, with FValue 1 when on and 0 when off.
    bool billDiscountOn = false;
    bool discountIncludeTaxOn = false;
    // The sample's rates and dates: the profile's old rates, its new rates and others, on both
    // sides of its cut-off.
    RateProfile rateProfile = StandardRateProfile();
};
using DemoOptions = DemoAccountOptions;

// Creates an embedded account database at `path` with the host schema, master data and
// documents. Refuses (HostError) a path that exists; the file appears only when complete.
void CreateDemoAccount(const std::string& path, const DemoAccountOptions& options);

// Creates the hand-made sample at `path`, with its folders, unless the file exists.
void EnsureDemoAccount(const std::string& path);

}  // namespace q9
