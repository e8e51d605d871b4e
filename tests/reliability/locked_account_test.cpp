// A one-click run while another connection holds the account's write lock: the run ends at the
// first statement that needs the lock, says so once, starts no later kind and changes nothing.

#include <gtest/gtest.h>

#include <algorithm>

#include "reliability/one_click_run.h"

namespace q9::reliability {
namespace {

struct LockedCase {
    const char* name;
    MasterDataBoxes masterData;
    long stops;  // grid entries of the stop: one when it came at a workbook line
};

class LockedAccount : public ::testing::TestWithParam<LockedCase> {};

std::vector<std::string> EventsFrom(const testing::Events& events, const std::string& prefix,
                                    const std::string& after) {
    std::vector<std::string> found;
    auto start = std::find_if(events.begin(), events.end(),
                              [&](const std::string& e) { return e.starts_with(after); });
    for (auto e = start; e != events.end(); ++e) {
        if (e->starts_with(prefix)) found.push_back(*e);
    }
    return found;
}

TEST_P(LockedAccount, TheRunStopsAtTheFirstWriteAndChangesNothing) {
    OneClickPlan plan;
    plan.lock = AccountLock::HeldElsewhereDuringAdjustment;
    plan.masterData = GetParam().masterData;
    auto run = RunOneClick(plan);
    ASSERT_EQ(run->workbooks.size(), 4u);
    ASSERT_EQ(
        std::count(run->events.begin(), run->events.end(), "the write lock could not be taken"), 0);

    EXPECT_FALSE(run->fixed);
    EXPECT_EQ(run->summary.result, BatchResult::StoppedByDatabase);
    const std::string stop = std::string("notice ") + kDatabaseUnavailableText;
    const auto notices = EventsFrom(run->events, "notice ", "box 系统提示");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].starts_with(stop)) << notices[0];
    EXPECT_NE(notices[0].find("database is locked"), std::string::npos) << notices[0];

    // The stop is listed once, as the last entry, at the row being handled; nothing later of
    // the purchase orders nor any later kind was started.
    const auto entries = EventsFrom(run->events, "Add ", "box 系统提示");
    const auto progress = EventsFrom(run->events, "progress ", "box 系统提示");
    const std::string stopEntry = std::string("|") + kDatabaseUnavailableText;
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                            [&](const std::string& e) { return e.find(stopEntry) != e.npos; }),
              GetParam().stops);
    for (const std::string& step : progress) EXPECT_TRUE(step.starts_with("progress 采购订单 "));
    if (GetParam().stops > 0) {
        ASSERT_FALSE(progress.empty());
        const int row = std::stoi(progress.back().substr(progress.back().rfind(' ') + 1));
        const auto lines = WorkbookLines(run->workbooks.at(DocumentKind::PurchaseOrder),
                                         DocumentKind::PurchaseOrder);
        EXPECT_EQ(entries.back().rfind("Add " + lines.at(row - 1).first + stopEntry, 0), 0u)
            << entries.back();
        ASSERT_NE(run->summary.Of(DocumentKind::PurchaseOrder), nullptr);
        EXPECT_EQ(run->summary.Of(DocumentKind::PurchaseOrder)->converted, 0);
    } else {
        EXPECT_TRUE(progress.empty());
    }
    EXPECT_EQ(std::count(run->events.begin(), run->events.end(), "Show 1"), 1);

    EXPECT_EQ(Snapshot(run->databasePath), run->beforeAdjustment);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, LockedAccount,
    ::testing::Values(LockedCase{"AtTheMasterData", MasterDataBoxes::Ticked, 0},
                      LockedCase{"AtTheFirstLine", MasterDataBoxes::Unticked, 1}),
    [](const auto& step) { return std::string(step.param.name); });

}  // namespace
}  // namespace q9::reliability
