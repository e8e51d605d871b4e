#include "rates/rate_change.h"

#include <gtest/gtest.h>

namespace q9 {
namespace {

struct TextCase {
    int oldHundredths;
    int newHundredths;
    const char* newRateText;
    const char* oldRateCondition;
    const char* oldText;
};

// The standard form "1+N" holds exactly where the old rate is the new one plus one.
TEST(MakeRateChange, TextsFollowFromTheRates) {
    const TextCase cases[] = {
        {1700, 1600, "16.0", "1+16.0", "17"}, {1100, 1000, "10.0", "1+10.0", "11"},
        {1600, 1300, "13.0", "16.0", "16"},   {1000, 900, "9.0", "1+9.0", "10"},
        {600, 900, "9.0", "6.0", "6"},        {900, 1000, "10.0", "9.0", "9"},
        {650, 550, "5.5", "1+5.5", "6.5"},    {1325, 905, "9.05", "13.25", "13.25"},
        {100, 0, "0.0", "1+0.0", "1"},        {10000, 0, "0.0", "100.0", "100"},
    };
    for (const TextCase& c : cases) {
        const RateChange change = MakeRateChange(Rate::FromHundredths(c.oldHundredths),
                                                 Rate::FromHundredths(c.newHundredths),
                                                 "2026-01-01", MasterDefaults::Kept);
        SCOPED_TRACE(c.oldText);
        EXPECT_EQ(change.newRateText, c.newRateText);
        EXPECT_EQ(change.oldRateCondition, c.oldRateCondition);
        EXPECT_EQ(change.oldRate.Text(), c.oldText);
        EXPECT_EQ(change.cutoffDate, "2026-01-01");
    }
}

TEST(StandardRateProfile, IsTheChangeOf2018) {
    const RateProfile& standard = StandardRateProfile();
    EXPECT_EQ(standard.name, "2018");
    ASSERT_EQ(standard.changes.size(), 2u);
    EXPECT_EQ(standard.changes[0].newRateText, "16.0");
    EXPECT_EQ(standard.changes[0].oldRateCondition, "1+16.0");
    EXPECT_EQ(standard.changes[0].masterDefaults, MasterDefaults::SetToNewRate);
    EXPECT_EQ(standard.changes[1].newRateText, "10.0");
    EXPECT_EQ(standard.changes[1].oldRateCondition, "1+10.0");
    EXPECT_EQ(standard.changes[1].masterDefaults, MasterDefaults::Kept);
    EXPECT_EQ(standard.CutoffDate(), "2018-05-01");
}

}  // namespace
}  // namespace q9
