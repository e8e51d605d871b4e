// Workbooks whose cells carry SQL, formulas, extreme numbers, odd text and thousands of columns:
// every statement that reaches the database is one the builders make for whole-number ids, and
// each row is converted, listed or stops its workbook as the rules say.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "convert/convert_doubles.h"
#include "convert/converters.h"
#include "convert/order_sql.h"
#include "convert/row_loop.h"
#include "export/candidate_queries.h"
#include "host/db/engine_factory.h"
#include "jobs/startup.h"
#include "reliability/fault_engine.h"
#include "reliability/one_click_run.h"
#include "support/core_doubles.h"

namespace q9::reliability {
namespace {

using testing::TempFolder;

struct HostileCase {
    std::string name, outcome, text;
};

std::string FromHex(const std::string& hex) {
    std::string text;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        text.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return text;
}

// A statement with its numbers blanked: what is left must be a builder's text.
std::string ShapeOfSql(const std::string& sql) {
    static const std::regex kNumber("-?[0-9]+");
    return std::regex_replace(sql, kNumber, "#");
}

std::set<std::string> BuilderShapes() {
    std::set<std::string> shapes;
    for (AdjustmentRule rule :
         {AdjustmentRule::KeepTaxInclusivePrice, AdjustmentRule::KeepTaxExclusivePrice}) {
        for (const RateChange& rate : StandardRateProfile().changes) {
            shapes.insert(ShapeOfSql(GetPOCheckSql(OrderRowCondition(1, 1), rate, rule)));
            LineStatements line = PurchaseOrderLineStatements(1, 1, rate, rule, false);
            shapes.insert(ShapeOfSql(line.backupInsert));
            shapes.insert(ShapeOfSql(line.update));
        }
    }
    // The workbook's lines looked up before they are converted, however many of them there are.
    for (int documents = 1; documents <= 6; ++documents) {
        for (int entries = 1; entries <= 6; ++entries) {
            std::vector<EntryKey> keys;
            for (int k = 1; k <= std::max(documents, entries); ++k) {
                keys.push_back({std::min(k, documents), std::min(k, entries)});
            }
            shapes.insert(
                ShapeOfSql(CandidacyQuery(DocumentKind::PurchaseOrder, keys, "2018-05-01", false)));
        }
    }
    return shapes;
}

class HostileWorkbooks : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempFolder>("q9-hostile");
        const std::string script =
            std::string(Q9_TEST_DATA) + "/../reliability/make_hostile_workbooks.py";
        const std::string command = "/usr/bin/python3 '" + script + "' '" + folder_->File("") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static std::vector<HostileCase> Cases() {
        std::vector<HostileCase> cases;
        std::ifstream in(folder_->File("cases.tsv"));
        std::string line;
        while (std::getline(in, line)) {
            const size_t first = line.find('\t'), second = line.find('\t', first + 1);
            cases.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1),
                             FromHex(line.substr(second + 1))});
        }
        return cases;
    }

    static inline std::unique_ptr<TempFolder> folder_;
};

// A copy of the demo sample with the backup tables of an earlier start-up.
std::shared_ptr<DatabaseEngine> StartedAccount(const TempFolder& folder) {
    const std::string path = folder.File("account.db");
    std::filesystem::copy_file(DemoSamplePath(), path);
    std::shared_ptr<DatabaseEngine> engine = OpenSqliteEngine(path);
    EXPECT_TRUE(engine->Execute(BackupTablesBatch()).ok());
    return engine;
}

double RateOf(DatabaseEngine& engine, int id, int entry) {
    Error error;
    RecordsetPtr rows =
        engine.Query("SELECT FCess FROM POOrderEntry WHERE FInterID=" + std::to_string(id) +
                         " AND FEntryID=" + std::to_string(entry),
                     &error);
    return rows && rows->RecordCount() == 1 ? rows->FieldAt(0).NumberAsDouble() : -1;
}

TEST_F(HostileWorkbooks, NothingForeignReachesTheDatabaseAndEachRowGoesAsTheRulesSay) {
    const std::set<std::string> allowed = BuilderShapes();
    const std::vector<HostileCase> cases = Cases();
    ASSERT_GT(cases.size(), 30u);
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder account("q9-hostile-account");
        std::shared_ptr<DatabaseEngine> real = StartedAccount(account);
        auto engine = std::make_shared<FaultEngine>(real);
        testing::CoreHarness<> desk(engine);
        desk.state.chk17 = desk.state.chk11 = CheckValue::Checked;
        desk.state.txtPOFile = folder_->File(c.name + ".xlsx");

        const std::vector<ConversionOutcome> outcomes =
            ConvertPurchaseOrders(desk.context, desk.display);
        ASSERT_EQ(outcomes.size(), 1u);
        const ConversionOutcome& summary = outcomes.front();

        for (const std::string& sql : engine->sent()) {
            EXPECT_TRUE(allowed.contains(ShapeOfSql(sql))) << sql;
            double number = 0;
            if (c.text.size() > 2 && !ParseNumericText(c.text, &number)) {
                EXPECT_EQ(sql.find(c.text), std::string::npos) << sql;
            }
        }
        EXPECT_EQ(RateOf(*real, 1001, 1), 16);  // the row before is always done
        const bool stops = c.outcome == "stops";
        EXPECT_EQ(summary.stopped(), stops);
        EXPECT_EQ(RateOf(*real, 1001, 2), stops ? 11 : 10);
        EXPECT_EQ(RateOf(*real, 1002, 1), c.outcome == "converted" ? 16 : 17);
        ASSERT_EQ(desk.display.rows.size(), c.outcome == "listed" || stops ? 1u : 0u);
        if (!desk.display.rows.empty()) {
            const std::string& entry = desk.display.rows.front();
            const std::string reason =
                stops ? kRowFailedReason : RateReason(desk.texts, StandardRateProfile());
            EXPECT_NE(entry.find("|" + reason), std::string::npos) << entry;
            // Two cells, each on one line, whatever the row held.
            EXPECT_EQ(std::count(entry.begin(), entry.end(), '|'), 2) << entry;
            EXPECT_EQ(entry.find_first_of("\r\n"), std::string::npos);
        }
        EXPECT_EQ(desk.notifier.notices.size(), stops ? 1u : 0u);
        EXPECT_EQ(RateOf(*real, 1, 1), -1);  // the table is still there and answers
        Error error;
        EXPECT_TRUE(real->Query("SELECT COUNT(1) FROM POOrderEntry", &error)) << error.description;
    }
}

// A bill number with the grid's separator and line breaks stays in its own cell.
TEST_F(HostileWorkbooks, ABillNumberCannotSplitTheGridRow) {
    TempFolder account("q9-hostile-account");
    testing::CoreHarness<> desk(StartedAccount(account));
    desk.state.chk17 = desk.state.chk11 = CheckValue::Checked;
    desk.state.txtPOFile = folder_->File("rate-drop.xlsx");
    ConvertPurchaseOrders(desk.context, desk.display);
    ASSERT_EQ(desk.display.rows.size(), 1u);
    EXPECT_EQ(desk.display.rows.front(),
              "CG002 分录:1|" + RateReason(desk.texts, StandardRateProfile()) + "|");
}

}  // namespace
}  // namespace q9::reliability
