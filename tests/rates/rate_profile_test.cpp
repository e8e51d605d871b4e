#include "rates/rate_profile.h"

#include <gtest/gtest.h>

#include "host/texts.h"

namespace q9 {
namespace {

RateProfileRequest Custom(std::vector<std::string> changes, std::optional<std::string> cutoff) {
    RateProfileRequest request;
    request.changes = std::move(changes);
    request.cutoff = std::move(cutoff);
    return request;
}

RateProfileRequest Named(std::string name) {
    RateProfileRequest request;
    request.name = std::move(name);
    return request;
}

struct RefusalCase {
    const char* what;
    RateProfileRequest request;
    const char* fault;  // a part of the message that names the fault
};

TEST(ResolveRateProfile, RefusesEveryBadProfileNamingTheFault) {
    const RefusalCase cases[] = {
        {"rate not a number", Custom({"16:x"}, "2019-04-01"), "the rate 'x' of the change '16:x'"},
        {"rate above 100", Custom({"101:9"}, "2019-04-01"), "from 0 to 100"},
        {"negative rate", Custom({"-1:9"}, "2019-04-01"), "the rate '-1'"},
        {"three decimals", Custom({"16.125:13"}, "2019-04-01"), "at most two decimals"},
        {"exponent", Custom({"1e1:9"}, "2019-04-01"), "the rate '1e1'"},
        {"empty new rate", Custom({"16:"}, "2019-04-01"), "the rate ''"},
        {"no colon", Custom({"16-13"}, "2019-04-01"), "'16-13' is not OLD:NEW"},
        {"old equal to new", Custom({"13:13.00"}, "2019-04-01"), "same old and new rate"},
        {"same old rate twice", Custom({"16:13", "16.0:9"}, "2019-04-01"),
         "old rate 16 is given twice"},
        {"new rate is an old rate", Custom({"16:13", "13:9"}, "2019-04-01"),
         "new rate 13 is also an old rate"},
        {"three changes", Custom({"16:13", "10:9", "6:5"}, "2019-04-01"),
         "at most two rate changes, not 3"},
        {"30 February", Custom({"16:13"}, "2019-02-30"), "'2019-02-30' is not a real date"},
        {"29 February of 2100", Custom({"16:13"}, "2100-02-29"), "is not a real date"},
        {"month 13", Custom({"16:13"}, "2019-13-01"), "is not a real date"},
        {"not ISO", Custom({"16:13"}, "01.04.2019"), "is not a real date"},
        {"empty cut-off", Custom({"16:13"}, ""), "is not a real date"},
        {"change without cut-off", Custom({"16:13"}, std::nullopt), "without a cut-off date"},
        {"cut-off without change", Custom({}, "2019-04-01"), "without any change"},
        {"unknown name", Named("2020"), "unknown rate profile '2020' (known: 2018, 2019)"},
        {"name and changes",
         [] {
             RateProfileRequest r = Custom({"16:13"}, "2019-04-01");
             r.name = "2019";
             return r;
         }(),
         "together with changes"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.what);
        const RateProfileResult result = ResolveRateProfile(c.request, "--change");
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.profile.changes.empty());
        EXPECT_EQ(result.error.number, error_number::kInvalidArgument);
        EXPECT_EQ(result.error.description.rfind("--change：", 0), 0u) << result.error.description;
        const std::string shown = DescribeInLanguage("en", result.error);
        EXPECT_EQ(shown.rfind("--change: ", 0), 0u) << shown;
        EXPECT_NE(shown.find(c.fault), std::string::npos) << shown;
    }
}

TEST(ResolveRateProfile, NamesAndCustomChanges) {
    EXPECT_EQ(ResolveRateProfile({}, "").profile.name, "2018");
    const RateProfile p2019 = ResolveRateProfile(Named("2019"), "").profile;
    ASSERT_EQ(p2019.changes.size(), 2u);
    EXPECT_EQ(DescribeRateProfile(p2019), "2019: 16%→13%, 10%→9%, before 2019-04-01");
    EXPECT_EQ(p2019.changes[0].oldRateCondition, "16.0");
    EXPECT_EQ(p2019.changes[1].oldRateCondition, "1+9.0");

    // An increase is a change like any other; the first change sets the defaults.
    const RateProfileResult increase = ResolveRateProfile(Custom({" 6:9"}, "2026-01-01"), "");
    ASSERT_TRUE(increase.ok()) << increase.error.description;
    ASSERT_EQ(increase.profile.changes.size(), 1u);
    EXPECT_EQ(increase.profile.changes[0].newRateText, "9.0");
    EXPECT_EQ(increase.profile.changes[0].oldRateCondition, "6.0");
    EXPECT_EQ(increase.profile.changes[0].masterDefaults, MasterDefaults::SetToNewRate);
    EXPECT_EQ(DescribeRateProfile(increase.profile), "6%→9%, before 2026-01-01");

    const RateProfileResult two =
        ResolveRateProfile(Custom({"13:9", "6.5:5.25"}, "2024-02-29"), "");
    ASSERT_TRUE(two.ok()) << two.error.description;
    EXPECT_EQ(two.profile.changes[1].masterDefaults, MasterDefaults::Kept);
    EXPECT_EQ(two.profile.changes[1].newRateText, "5.25");
}

TEST(RequestFor, NamesTheProfileAgain) {
    for (const RateProfileRequest& request :
         {Named("2019"), Custom({"13:9"}, "2026-01-01"), Custom({"6:9", "0:1.5"}, "2026-01-01")}) {
        const RateProfile profile = ResolveRateProfile(request, "").profile;
        const RateProfileRequest again = RequestFor(profile);
        EXPECT_EQ(again.name, request.name);
        EXPECT_EQ(again.changes, request.changes);
        EXPECT_EQ(again.cutoff, request.name.empty() ? request.cutoff : std::nullopt);
    }
}

}  // namespace
}  // namespace q9
