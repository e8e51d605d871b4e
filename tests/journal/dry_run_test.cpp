#include "journal/dry_run.h"

#include <gtest/gtest.h>

#include "../host/db/embedded_account_fixture.h"
#include "account_dump.h"
#include "masterdata/master_data.h"
#include "support/core_doubles.h"

namespace q9 {
namespace {

class DryRun : public ::testing::Test {
  protected:
    DryRun() {
        harness.engine = std::shared_ptr<DatabaseEngine>(&account.engine(), [](auto*) {});
        harness.state.chk17 = harness.state.chkItem = harness.state.chkSupply = CheckValue::Checked;
    }
    static double MaterialsAtOldRate(Gateway& gateway) {
        RecordsetPtr rows =
            gateway.OpenRecordset("SELECT COUNT(*) AS n FROM t_ICItemMaterial WHERE FTaxRate=17");
        return rows ? rows->FieldAt(0).NumberAsDouble() : -1;
    }

    testing::EmbeddedAccount account;
    testing::CoreHarness<DatabaseEngine> harness;
};

TEST_F(DryRun, StatementsRunInsideButNothingStays) {
    const std::string before = testing::DumpAccount(account.engine());
    const double atOldRate = MaterialsAtOldRate(harness.gateway);
    ASSERT_GT(atOldRate, 0);
    RunWithoutWriting(harness.context, [&](CoreContext& dry) {
        AdjustMasterData(dry);
        EXPECT_EQ(MaterialsAtOldRate(dry.gateway), 0);
        // Guarded runs keep their meaning inside.
        const std::string update = "UPDATE t_Supplier SET FValueAddRate=16 WHERE FValueAddRate=17";
        EXPECT_TRUE(dry.gateway.ExecuteAtomicGuarded({{update, true}}).unchanged);
        // The session's own gateway waits for nothing: it is refused.
        EXPECT_FALSE(harness.gateway.OpenRecordset("SELECT 1 AS one"));
    });
    EXPECT_EQ(testing::DumpAccount(account.engine()), before);
    EXPECT_EQ(MaterialsAtOldRate(harness.gateway), atOldRate);
    EXPECT_TRUE(harness.events.empty()) << harness.events.front();  // no failure noticed
}

TEST_F(DryRun, FailureInsideIsRaisedAndNothingStays) {
    const std::string before = testing::DumpAccount(account.engine());
    EXPECT_THROW(RunWithoutWriting(harness.context,
                                   [&](CoreContext& dry) {
                                       AdjustMasterData(dry);
                                       throw HostError(error_number::kDatabase, "display gone");
                                   }),
                 HostError);
    EXPECT_EQ(testing::DumpAccount(account.engine()), before);
}

}  // namespace
}  // namespace q9
