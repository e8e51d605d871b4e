#pragma once

#include <compare>
#include <string>
#include <vector>

namespace q9 {

// A tax rate in percent, held in hundredths so that its texts and comparisons are exact.
class Rate {
  public:
    static constexpr int kMaxHundredths = 100 * 100;

    constexpr Rate() = default;
    static constexpr Rate FromHundredths(int hundredths) { return Rate(hundredths); }
    static constexpr Rate Percent(int percent) { return Rate(percent * 100); }

    constexpr int hundredths() const { return hundredths_; }
    double AsDouble() const { return hundredths_ / 100.0; }
    // "16", "6.5", "9.25": the rate as master data and captions write it.
    std::string Text() const;
    // "16.0", "6.5", "9.25": the decimal literal that enters the conversion SQL.
    std::string DecimalText() const;

    constexpr auto operator<=>(const Rate&) const = default;

  private:
    constexpr explicit Rate(int hundredths) : hundredths_(hundredths) {}
    int hundredths_ = 0;
};

// Whether a change also sets the default rate offered for new master data records.
enum class MasterDefaults { Kept, SetToNewRate };

// One statutory rate change: entries at `oldRate` dated before `cutoffDate` go to `newRate`.
struct RateChange {
    Rate oldRate;
    Rate newRate;
    std::string newRateText;       // "16.0": enters every statement as it is
    std::string oldRateCondition;  // "1+16.0": how the statements select the entry's old rate
    std::string cutoffDate;        // "2018-05-01"
    MasterDefaults masterDefaults = MasterDefaults::Kept;
};

// The texts follow from the rates: the old-rate condition is "1+" and the new-rate text when the
// old rate is the new one plus one (the form the account's statements always had), else the old
// rate's own decimal text.
RateChange MakeRateChange(Rate oldRate, Rate newRate, std::string cutoffDate,
                          MasterDefaults masterDefaults);

// The changes converted together, all with one cut-off; the first sets the master-data defaults.
struct RateProfile {
    std::string name;  // "2018", "2019"; empty for changes given one by one
    std::vector<RateChange> changes;

    const std::string& CutoffDate() const { return changes.front().cutoffDate; }
};

// The profiles known by name, the standard one first.
const std::vector<RateProfile>& BuiltInRateProfiles();

// 17 -> 16 (with the defaults) and 11 -> 10, before 2018-05-01: the tool's default.
const RateProfile& StandardRateProfile();

}  // namespace q9
