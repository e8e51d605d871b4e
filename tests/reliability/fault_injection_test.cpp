// A whole one-click run on the demo sample with a database that fails at each statement in turn,
// or loses its connection there: whatever happens, every line is at its old or its new values with
// its backup row exactly when rewritten, and the operator is told what was not done.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "jobs/startup.h"
#include "reliability/fault_engine.h"
#include "reliability/one_click_run.h"

namespace q9::reliability {
namespace {

struct RuleCase {
    const char* name;
    bool inclusive;
    int stride;  // every k, or every stride-th k to keep the suite short
    bool discountIncludesTax = false;
};

// The run table's times are the clock's, not the run's doing.
AccountSnapshot WithoutRunTimes(AccountSnapshot snapshot) {
    TableRows& runs = snapshot["Q9TaxRateRun"];
    for (auto& [rowid, values] : runs.rows) {
        for (size_t c = 0; c < runs.columns.size() && c < values.size(); ++c) {
            if (runs.columns[c] == "FStartTime" || runs.columns[c] == "FEndTime") values[c].clear();
        }
    }
    return snapshot;
}

class OneClickUnderFaults : public ::testing::TestWithParam<RuleCase> {
  protected:
    void SetUp() override {
        original_ = Snapshot(DemoSamplePath(GetParam().discountIncludesTax));
        clean_ =
            RunOneClick({GetParam().inclusive, FaultMode::None, 0, GetParam().discountIncludesTax});
        cleanSnapshot_ = Snapshot(clean_->databasePath);
    }

    // Runs with the fault at every statement the clean run sent (and one past them).
    void EveryStatement(FaultMode mode, int stride) {
        const int statements = clean_->statements;
        for (int k = 1; k <= statements + 1; k += (k == statements ? 1 : stride)) {
            auto run = RunOneClick({GetParam().inclusive, mode, k, GetParam().discountIncludesTax});
            const std::vector<std::string> failures =
                CheckInvariants(original_, cleanSnapshot_, *clean_, *run, GetParam().inclusive);
            for (const std::string& failure : failures) {
                ADD_FAILURE() << "fault at statement " << k << " (" << Sent(*run, k)
                              << "): " << failure;
            }
            if (k > statements) {
                EXPECT_TRUE(run->injected.empty());
                EXPECT_EQ(WithoutRunTimes(Snapshot(run->databasePath)),
                          WithoutRunTimes(cleanSnapshot_));
            }
            if (!failures.empty()) break;
        }
    }

    // The batch that held statement k, for the failure message.
    static std::string Sent(const OneClickRun& run, int k) {
        int numbered = 0;
        for (const std::string& sql : run.sent) {
            numbered += FaultEngine::CountStatements(sql);
            if (numbered >= k) return sql.substr(0, 120);
        }
        return "nothing";
    }

    AccountSnapshot original_;
    std::unique_ptr<OneClickRun> clean_;
    AccountSnapshot cleanSnapshot_;
};

TEST_P(OneClickUnderFaults, TheCleanRunConvertsEveryKindAndSaysSo) {
    ASSERT_TRUE(clean_->fixed);
    EXPECT_FALSE(clean_->startup.failure);
    EXPECT_EQ(clean_->workbooks.size(), 4u);
    ASSERT_EQ(clean_->summary.conversions.size(), 4u);
    for (const ConversionOutcome& kind : clean_->summary.conversions) {
        EXPECT_GT(kind.converted, 0);
        EXPECT_FALSE(kind.stopped());
    }
    EXPECT_FALSE(clean_->summary.AnyFailure());
    EXPECT_EQ(clean_->events.back(), "notice 调整完成");
    EXPECT_NE(cleanSnapshot_.at("t_ICItemMaterial").rows, original_.at("t_ICItemMaterial").rows);
    // Against itself the checks find nothing: they hold the clean run to the same rules.
    EXPECT_TRUE(
        CheckInvariants(original_, cleanSnapshot_, *clean_, *clean_, GetParam().inclusive).empty());
    // A large statement count would mean batches were not counted by their statements.
    EXPECT_GT(clean_->statements, 50);
}

TEST_P(OneClickUnderFaults, AnyOneStatementFailing) {
    EveryStatement(FaultMode::FailOne, GetParam().stride);
}

TEST_P(OneClickUnderFaults, TheConnectionDroppedAtAnyStatement) {
    EveryStatement(FaultMode::DropConnection, GetParam().stride);
}

// The checks are worth something only if they catch a line left half done.
TEST_P(OneClickUnderFaults, TheChecksCatchWorkLeftBehindByAFailure) {
    int caught = 0;
    std::set<std::string> kinds;
    for (int k = 1; k <= clean_->statements; ++k) {
        auto run = RunOneClick({GetParam().inclusive, FaultMode::FailOneKeepingPartialWork, k,
                                GetParam().discountIncludesTax});
        const auto failures =
            CheckInvariants(original_, cleanSnapshot_, *clean_, *run, GetParam().inclusive);
        if (failures.empty()) continue;
        ++caught;
        for (const std::string& failure : failures) kinds.insert(failure.substr(0, 40));
    }
    EXPECT_GT(caught, 10);
    EXPECT_TRUE(std::any_of(kinds.begin(), kinds.end(), [](const std::string& f) {
        return f.find("backup row without") != std::string::npos;
    }));
    EXPECT_TRUE(std::any_of(kinds.begin(), kinds.end(), [](const std::string& f) {
        return f.find("master data partly") != std::string::npos;
    }));
}

// Lines share commits on the embedded engine. A lost commit loses several lines at once: they
// are taken again one transaction each, and the run ends as the clean one; with the connection
// gone, the run stops at the first of them as it would at that line.
TEST_P(OneClickUnderFaults, ACommitOfSeveralLinesLost) {
    const auto progressless = [](std::vector<std::string> events) {
        std::erase_if(events, [](const std::string& e) { return e.starts_with("progress "); });
        return events;
    };
    ASSERT_GT(clean_->groups, 3);
    for (int k = 1; k <= clean_->groups; ++k) {
        SCOPED_TRACE("group " + std::to_string(k));
        const RuleCase& rule = GetParam();
        auto again =
            RunOneClick({rule.inclusive, FaultMode::LoseGroupCommit, k, rule.discountIncludesTax});
        ASSERT_EQ(again->lostGroups, 1);
        EXPECT_EQ(progressless(again->events), progressless(clean_->events));
        EXPECT_EQ(WithoutRunTimes(Snapshot(again->databasePath)), WithoutRunTimes(cleanSnapshot_));

        auto gone = RunOneClick({rule.inclusive, FaultMode::LoseGroupCommitWithTheConnection, k,
                                 rule.discountIncludesTax});
        EXPECT_EQ(gone->summary.result, BatchResult::StoppedByDatabase);
        for (const std::string& failure :
             CheckInvariants(original_, cleanSnapshot_, *clean_, *gone, rule.inclusive)) {
            ADD_FAILURE() << failure;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, OneClickUnderFaults,
                         ::testing::Values(RuleCase{"TaxInclusive", true, 1},
                                           RuleCase{"TaxExclusive", false, 1},
                                           RuleCase{"DiscountIncludesTax", true, 1, true}),
                         [](const auto& rule) { return std::string(rule.param.name); });

// The wrapper itself: statements inside batches are counted and the ones before a failing one
// stay when there is no transaction.
TEST(FaultEngine, CountsTheStatementsOfABatch) {
    EXPECT_EQ(FaultEngine::CountStatements("SELECT 1 AS x"), 1);
    EXPECT_EQ(FaultEngine::CountStatements(
                  "UPDATE t_Supplier SET FValueAddRate=10 WHERE FValueAddRate =11\r\n"
                  "UPDATE t_Organization SET FValueAddRate=10 WHERE FValueAddRate =11\r\n"),
              2);
    std::string prefix;
    ASSERT_TRUE(FaultEngine::StatementPrefix(
        "UPDATE t_Supplier SET FValueAddRate=10 WHERE FValueAddRate =11\r\n"
        "UPDATE t_Organization SET FValueAddRate=10 WHERE FValueAddRate =11\r\n",
        1, &prefix));
    EXPECT_EQ(prefix, "UPDATE t_Supplier SET FValueAddRate=10 WHERE FValueAddRate =11");
}

}  // namespace
}  // namespace q9::reliability

namespace q9::reliability {
namespace {

// The switches decide the candidate queries and the order formulas: when the start-up could not
// read them, nothing is exported or converted on the guess that they are off.
TEST(SwitchesUnread, NothingIsExportedOrAdjusted) {
    auto run = RunOneClick({true, FaultMode::FailOne, 1, true});
    ASSERT_TRUE(run->startup.failure);
    EXPECT_EQ(run->startup.result, StartupResult::SwitchesUnread);
    EXPECT_EQ(run->summary.result, BatchResult::Refused);
    EXPECT_TRUE(run->workbooks.empty());
    EXPECT_FALSE(run->fixed);
    EXPECT_EQ(std::count(run->events.begin(), run->events.end(),
                         std::string("notice ") + kSwitchesUnreadText),
              5);
    EXPECT_EQ(std::count(run->events.begin(), run->events.end(), "notice 调整完成"), 0);
    EXPECT_EQ(Snapshot(run->databasePath), Snapshot(DemoSamplePath(true)));
}

}  // namespace
}  // namespace q9::reliability
