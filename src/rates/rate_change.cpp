#include "rates/rate_change.h"

namespace q9 {

std::string Rate::Text() const {
    std::string text = std::to_string(hundredths_ / 100);
    const int fraction = hundredths_ % 100;
    if (fraction == 0) return text;
    text += '.';
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
    return text;
}

std::string Rate::DecimalText() const {
    return hundredths_ % 100 == 0 ? Text() + ".0" : Text();
}

RateChange MakeRateChange(Rate oldRate, Rate newRate, std::string cutoffDate,
                          MasterDefaults masterDefaults) {
    RateChange change{oldRate,       newRate, newRate.DecimalText(), {}, std::move(cutoffDate),
                      masterDefaults};
    change.oldRateCondition = oldRate.hundredths() == newRate.hundredths() + 100
                                  ? "1+" + change.newRateText
                                  : oldRate.DecimalText();
    return change;
}

namespace {

// A built-in profile: its first change sets the master-data defaults.
RateProfile BuiltIn(const char* name, int old1, int new1, int old2, int new2, const char* cutoff) {
    return {
        name,
        {MakeRateChange(Rate::Percent(old1), Rate::Percent(new1), cutoff,
                        MasterDefaults::SetToNewRate),
         MakeRateChange(Rate::Percent(old2), Rate::Percent(new2), cutoff, MasterDefaults::Kept)}};
}

}  // namespace

// Every rate and cut-off the tool knows without being told lives here.
const std::vector<RateProfile>& BuiltInRateProfiles() {
    static const std::vector<RateProfile> kProfiles = {
        BuiltIn("2018", 17, 16, 11, 10, "2018-05-01"),
        BuiltIn("2019", 16, 13, 10, 9, "2019-04-01"),
    };
    return kProfiles;
}

const RateProfile& StandardRateProfile() {
    return BuiltInRateProfiles().front();
}

}  // namespace q9
