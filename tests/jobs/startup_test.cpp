#include "jobs/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "journal/journal_sql.h"

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
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override {
        atomic.insert(atomic.end(), batches.begin(), batches.end());
        if (failAtomic) return Outcome::Failure(Error{262, "CREATE TABLE permission denied"});
        return Outcome::Success();
    }
    bool failAtomic = false;
    std::vector<std::string> atomic;
    std::vector<std::string> queried;
};

class FixedLogin : public HostLogin {
  public:
    explicit FixedLogin(int64_t answer) : HostLogin(LoginOptions{}), answer_(answer) {}
    Value Login(std::string&, std::string&, bool&) override { return Value(answer_); }

  private:
    int64_t answer_;
};

// Logs in to the account of the accounts file named by the test.
class ChoosingPrompt : public LoginPrompt {
  public:
    explicit ChoosingPrompt(std::string name) : name_(std::move(name)) {}
    std::optional<LoginChoice> AskLogin(const std::vector<Account>& accounts, const std::string&,
                                        const RateProfileOffer&) override {
        for (const Account& account : accounts) {
            if (account.name == name_) return LoginChoice{account.name, account.url, "", "", {}};
        }
        return std::nullopt;
    }

  private:
    std::string name_;
};

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override { SharedPropertyStore::Instance().Clear(); }
    void TearDown() override { SharedPropertyStore::Instance().Clear(); }

    StartupOutcome Run(int64_t loginAnswer) {
        HostSession session([loginAnswer] { return std::make_shared<FixedLogin>(loginAnswer); });
        Gateway gateway(engine);
        return RunStartupSequence(session, gateway, state);
    }

    std::shared_ptr<ScriptedEngine> engine = std::make_shared<ScriptedEngine>();
    WindowState state;
};

TEST_F(StartupTest, ReadsTheSwitchesAndCreatesTheBackupTables) {
    engine->profileKeys = {"BillDisCount", "billdiscount"};
    StartupOutcome result = Run(-1);
    EXPECT_EQ(result.result, StartupResult::Ready);
    EXPECT_FALSE(result.failure.has_value());
    EXPECT_EQ(state.cutoffDate, "2018-05-01");
    EXPECT_TRUE(state.billDiscountOn);  // a count of 2 is on too
    EXPECT_FALSE(state.discountIncludeTaxOn);
    ASSERT_EQ(engine->queried.size(), 1u);
    EXPECT_EQ(engine->queried[0],
              "SELECT FKey FROM t_SystemProfile WHERE FKey IN('DisCountIncludeTax', "
              "'BillDisCount') AND FCategory ='IC' AND FValue = 1");
    ASSERT_EQ(engine->executed.size(), 1u);
    EXPECT_EQ(engine->executed[0], BackupTablesBatch());
    EXPECT_EQ(engine->atomic, std::vector<std::string>{JournalTablesBatch()});
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
    StartupOutcome result = Run(0);
    EXPECT_TRUE(result.loginRefused());
    EXPECT_FALSE(result.failure.has_value());
    EXPECT_TRUE(engine->queried.empty());
    EXPECT_TRUE(engine->executed.empty());
    EXPECT_EQ(state.cutoffDate, "");
}

TEST_F(StartupTest, UnansweredSwitchesQueryStopsWithTheDatabasesMessage) {
    engine->failQuery = true;
    StartupOutcome result = Run(-1);
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->error.NumberAndDescription(),
              "208 (Invalid object name 't_SystemProfile'.)");
    EXPECT_EQ(result.result, StartupResult::SwitchesUnread);
    EXPECT_FALSE(state.switchesRead);
    EXPECT_EQ(state.cutoffDate, "2018-05-01");
    EXPECT_TRUE(engine->executed.empty());  // later steps skipped
}

// The first refusal is the one reported; without the journal only undo is lost.
TEST_F(StartupTest, RejectedJournalBatchIsReportedAfterTheBackupTables) {
    const struct {
        bool failBackup;
        StartupResult result;
    } cases[] = {{false, StartupResult::JournalTablesMissing},
                 {true, StartupResult::BackupTablesMissing}};
    for (const auto& c : cases) {
        engine->failExecute = c.failBackup;
        engine->failAtomic = true;
        engine->atomic.clear();
        StartupOutcome result = Run(-1);
        EXPECT_EQ(result.result, c.result);
        ASSERT_TRUE(result.failure.has_value());
        EXPECT_EQ(result.failure->error.number, 262);
        EXPECT_EQ(engine->atomic, std::vector<std::string>{JournalTablesBatch()});
        EXPECT_TRUE(state.switchesRead);
    }
}

TEST_F(StartupTest, RejectedBackupBatchIsReported) {
    engine->failExecute = true;
    engine->profileKeys = {"DisCountIncludeTax"};
    StartupOutcome result = Run(-1);
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->error.number, 262);
    // Only what needs the backup tables refuses: the switches hold, exports may run.
    EXPECT_EQ(result.result, StartupResult::BackupTablesMissing);
    EXPECT_TRUE(state.switchesRead);
    EXPECT_TRUE(state.discountIncludeTaxOn);
}

// An account's own profile in the accounts file takes the place of the standard one, unless the
// operator named a profile; a bad one stops the start-up before the account is read.
TEST_F(StartupTest, AnAccountsOwnRateProfileIsTheSessionsUnlessOneWasGiven) {
    const auto accountsFile = std::filesystem::temp_directory_path() / "q9-startup-accounts.ini";
    std::ofstream(accountsFile) << "[Named]\ndb=sqlite:/tmp/a.db\nprofile=2019\n"
                                   "[Own]\r\nDB=sqlite:/tmp/b.db\r\nChanges = 13:9, 6:5\r\n"
                                   "cutoff=2026-01-01\r\n"
                                   "[Plain]\ndb=sqlite:/tmp/c.db\n"
                                   "[Bad]\ndb=sqlite:/tmp/d.db\nprofile=2030\n";
    const struct {
        std::string account;
        RateProfileSource source;
        std::string changes;  // old:new of the session's profile, or the refusal's first words
        std::string cutoff;
    } cases[] = {
        {"Named", RateProfileSource::Standard, "16:13 10:9", "2019-04-01"},
        {"Own", RateProfileSource::Standard, "13:9 6:5", "2026-01-01"},
        {"Plain", RateProfileSource::Standard, "17:16 11:10", "2018-05-01"},
        {"Named", RateProfileSource::Given, "17:16 11:10", "2018-05-01"},
        {"Bad", RateProfileSource::Standard, "账套[Bad]的税率方案：", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.account);
        SharedPropertyStore::Instance().Clear();
        engine->queried.clear();
        state = WindowState{};
        ChoosingPrompt prompt(c.account);
        LoginOptions options{"", "op", "chs", &prompt, accountsFile.string(), "/tmp/q9-demo.db"};
        options.rateProfileSource = c.source;
        HostSession session([&options] { return std::make_shared<HostLogin>(options); });
        Gateway gateway(engine);
        const StartupOutcome result = RunStartupSequence(session, gateway, state);
        if (c.cutoff.empty()) {
            ASSERT_TRUE(result.failure.has_value());
            EXPECT_TRUE(result.failure->error.description.starts_with(c.changes))
                << result.failure->error.description;
            EXPECT_TRUE(engine->queried.empty());
            EXPECT_FALSE(state.switchesRead);
            continue;
        }
        EXPECT_FALSE(result.failure.has_value());
        std::string changes;
        for (const RateChange& change : state.rateProfile.changes) {
            changes +=
                (changes.empty() ? "" : " ") + change.oldRate.Text() + ":" + change.newRate.Text();
        }
        EXPECT_EQ(changes, c.changes);
        EXPECT_EQ(state.cutoffDate, c.cutoff);
        EXPECT_TRUE(state.switchesRead);
    }
    std::filesystem::remove(accountsFile);
}

}  // namespace
}  // namespace q9
