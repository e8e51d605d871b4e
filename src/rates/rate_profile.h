#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/error.h"
#include "rates/rate_change.h"

namespace q9 {

// A profile as the operator names it: a built-in name, or changes and a cut-off, as texts given
// on the command line (--profile, --change OLD:NEW, --cutoff) or in the accounts file (profile=,
// changes=OLD:NEW,OLD:NEW, cutoff=).
struct RateProfileRequest {
    std::string name;
    std::vector<std::string> changes;
    std::optional<std::string> cutoff;

    bool IsEmpty() const { return name.empty() && changes.empty() && !cutoff; }
};

struct RateProfileResult {
    RateProfile profile;
    Error error;  // set when the request is refused; `profile` is then empty

    bool ok() const { return !error.IsSet(); }
};

// The profile a request names; the empty request names the standard profile. A refusal's
// description starts with `where` and names the fault.
RateProfileResult ResolveRateProfile(const RateProfileRequest& request, const std::string& where);

// The request that names `profile` again: its name when built in, else its changes and cut-off.
RateProfileRequest RequestFor(const RateProfile& profile);

// "2019: 16%→13%, 10%→9%, before 2019-04-01": how a profile is offered for choice.
std::string DescribeRateProfile(const RateProfile& profile);

// A number from 0 to 100 with at most two decimals ("16", "6.5", "9.25").
std::optional<Rate> ParseRate(std::string_view text);

// YYYY-MM-DD naming a day of the calendar.
bool IsCalendarDate(std::string_view text);

}  // namespace q9
