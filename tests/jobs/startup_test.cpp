#include "jobs/startup.h"

#include <gtest/gtest.h>

namespace q9 {
namespace {

// Answers the switches query with the rows given and records every batch.
class ScriptedEngine : public DatabaseEngine {
  public:
    std::vector<std::string> profileKeys;
    bool failQuery = false;
    bool failExecute = false;
    std::vector<std::string> executed;

    RecordsetPtr Query(const std::string& sql, Error* error) override {
        queried.push_back(sql);
        if (failQuery) {
            *error = Error{208, "Invalid object name 't_SystemProfile'."};
            return nullptr;
        }
        std::vector<Recordset::Row> rows;
        for (const auto& key : profileKeys) rows.push_back({Value(key)});
        return std::make_shared<Recordset>(std::vector<std::string>{"FKey"}, std::move(rows));
    }
    Outcome Execute(const std::string& sql) override {
        executed.push_back(sql);
        if (failExecute) return Outcome::Failure(Error{262, "CREATE TABLE permission denied"});
        return Outcome::Success();
    }
    Outcome ExecuteAtomic(const std::vector<std::string>&) override { return Outcome::Success(); }
    std::vector<std::string> queried;
};

class FixedLogin : public HostLogin {
  public:
    explicit FixedLogin(int64_t answer) : HostLogin(LoginOptions{}), answer_(answer) {}
    Value Login(std::string&, std::string&, bool&) override { return Value(answer_); }

  private:
    int64_t answer_;
};

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override { SharedPropertyStore::Instance().Clear(); }
    void TearDown() override { SharedPropertyStore::Instance().Clear(); }

    StartupResult Run(int64_t loginAnswer) {
        HostSession session([loginAnswer] { return std::make_shared<FixedLogin>(loginAnswer); });
        Gateway gateway(engine);
        return RunStartupSequence(session, gateway, state);
    }

    std::shared_ptr<ScriptedEngine> engine = std::make_shared<ScriptedEngine>();
    WindowState state;
};

TEST_F(StartupTest, ReadsTheSwitchesAndCreatesTheBackupTables) {
    engine->profileKeys = {"BillDisCount", "billdiscount"};
    StartupResult result = Run(-1);
    EXPECT_FALSE(result.refused);
    EXPECT_FALSE(result.error.has_value());
    EXPECT_EQ(state.cutoffDate, "2018-05-01");
    EXPECT_TRUE(state.billDiscountOn);  // a count of 2 is on too
    EXPECT_FALSE(state.discountIncludeTaxOn);
    ASSERT_EQ(engine->queried.size(), 1u);
    EXPECT_EQ(engine->queried[0],
              "SELECT FKey FROM t_SystemProfile WHERE FKey IN('DisCountIncludeTax', "
              "'BillDisCount') AND FCategory ='IC' AND FValue = 1");
    ASSERT_EQ(engine->executed.size(), 1u);
    EXPECT_EQ(engine->executed[0], BackupTablesBatch());
}

TEST_F(StartupTest, BackupBatchIsElevenPiecesEachEndingInCrLf) {
    std::string batch = BackupTablesBatch();
    size_t lines = 0;
    for (size_t at = batch.find("\r\n"); at != std::string::npos; at = batch.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 11u);
    EXPECT_TRUE(batch.ends_with("FAmountIncludeTax DECIMAL(23,10))\r\n"));
    EXPECT_TRUE(batch.starts_with(
        "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='POOrderEntryTaxRate' AND "
        "xtype='u')\r\nCREATE TABLE POOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess "
        "DECIMAL(23,10),FTaxAmount DECIMAL(23,10),FAmount DECIMAL(23,10),FAuxPrice "
        "DECIMAL(23,10),FPrice DECIMAL(23,10),\r\nFAuxTaxPrice DECIMAL(23,10)"));
}

TEST_F(StartupTest, RefusedLoginSendsNothingAndShowsNothing) {
    StartupResult result = Run(0);
    EXPECT_TRUE(result.refused);
    EXPECT_FALSE(result.error.has_value());
    EXPECT_TRUE(engine->queried.empty());
    EXPECT_TRUE(engine->executed.empty());
    EXPECT_EQ(state.cutoffDate, "");
}

TEST_F(StartupTest, UnansweredSwitchesQueryStopsWithTheDatabasesMessage) {
    engine->failQuery = true;
    StartupResult result = Run(-1);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->NumberAndDescription(), "208 (Invalid object name 't_SystemProfile'.)");
    EXPECT_EQ(state.cutoffDate, "2018-05-01");
    EXPECT_TRUE(engine->executed.empty());  // later steps skipped
}

TEST_F(StartupTest, RejectedBackupBatchIsReported) {
    engine->failExecute = true;
    engine->profileKeys = {"DisCountIncludeTax"};
    StartupResult result = Run(-1);
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->number, 262);
    EXPECT_TRUE(state.discountIncludeTaxOn);
}

}  // namespace
}  // namespace q9
