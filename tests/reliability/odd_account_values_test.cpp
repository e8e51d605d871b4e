// Account data a careless import leaves behind: NULL amounts, zero quantities, negative prices,
// values with ten decimals. The export refuses a NULL it cannot write; the conversion neither
// crashes nor invents numbers: NULL in gives NULL out.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <optional>

#include "convert/convert_doubles.h"
#include "convert/row_loop.h"
#include "host/db/engine_factory.h"
#include "jobs/export_candidates.h"
#include "jobs/startup.h"
#include "reliability/one_click_run.h"
#include "support/core_doubles.h"

namespace q9::reliability {
namespace {

// The demo sample with its purchase-order lines free to hold NULL, and the odd values written.
class OddAccount {
  public:
    OddAccount() : folder_("q9-odd"), path_(folder_.File("account.db")) {
        std::filesystem::copy_file(DemoSamplePath(), path_);
        sqlite3_open(path_.c_str(), &db_);
        std::string definition =
            Text("SELECT sql FROM sqlite_master WHERE type='table' AND name='POOrderEntry'");
        for (size_t at; (at = definition.find(" NOT NULL")) != std::string::npos;) {
            definition.erase(at, 9);
        }
        Run("ALTER TABLE POOrderEntry RENAME TO POOrderEntryOld");
        Run(definition);
        Run("INSERT INTO POOrderEntry SELECT * FROM POOrderEntryOld");
        Run("DROP TABLE POOrderEntryOld");
        engine_ = OpenSqliteEngine(path_);
        EXPECT_TRUE(engine_->Execute(BackupTablesBatch()).ok());
    }
    ~OddAccount() { sqlite3_close(db_); }
    OddAccount(const OddAccount&) = delete;
    OddAccount& operator=(const OddAccount&) = delete;

    void Run(const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            ADD_FAILURE() << message << " in " << sql;
            sqlite3_free(message);
        }
    }
    std::string Text(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
        std::string text = "NONE";
        if (sqlite3_step(statement) == SQLITE_ROW) {
            const auto* value = sqlite3_column_text(statement, 0);
            text = value ? reinterpret_cast<const char*>(value) : "NULL";
        }
        sqlite3_finalize(statement);
        return text;
    }
    std::optional<double> Number(const std::string& column, int id, int entry,
                                 const std::string& table = "POOrderEntry") {
        const std::string text =
            Text("SELECT " + column + " FROM " + table + " WHERE FInterID=" + std::to_string(id) +
                 " AND FEntryID=" + std::to_string(entry));
        if (text == "NULL" || text == "NONE") return std::nullopt;
        return std::stod(text);
    }

    std::shared_ptr<DatabaseEngine> engine() { return engine_; }
    std::string File(const std::string& name) const { return folder_.File(name); }

  private:
    testing::TempFolder folder_;
    std::string path_;
    sqlite3* db_ = nullptr;
    std::shared_ptr<DatabaseEngine> engine_;
};

TEST(OddAccountValues, ANullAmountFailsTheExportAndLeavesNoWorkbook) {
    OddAccount account;
    account.Run("UPDATE POOrderEntry SET FTaxAmount=NULL WHERE FInterID=1001 AND FEntryID=1");
    testing::CoreHarness<> desk(account.engine());
    desk.state.cutoffDate = "2018-05-01";
    const std::string path = account.File("po.xls");
    desk.files.savePath = path;

    EXPECT_FALSE(ExportCandidates(desk.context, DocumentKind::PurchaseOrder).written());
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(desk.prompter.boxes.size(), 1u);  // the failure, by its description
    EXPECT_FALSE(desk.prompter.boxes[0].text.empty());
    EXPECT_TRUE(desk.notifier.notices.empty());  // and no "引出成功"
}

TEST(OddAccountValues, ConversionKeepsNullsZerosAndSignsAndRoundsTenDecimals) {
    OddAccount account;
    account.Run("UPDATE POOrderEntry SET FAuxQty=0 WHERE FInterID=1001 AND FEntryID=1");
    account.Run(
        "UPDATE POOrderEntry SET FAuxTaxPrice=12.3456789012 "
        "WHERE FInterID=1002 AND FEntryID=1");
    account.Run("UPDATE POOrderEntry SET FAuxTaxPrice=NULL WHERE FInterID=1001 AND FEntryID=2");
    testing::CoreHarness<> desk(account.engine());
    desk.state.chk17 = desk.state.chk11 = CheckValue::Checked;
    const RecordsetPtr rows =
        testing_doubles::Sheet({{Value("CG001"), Value(17.0), Value(1001.0), Value(1.0)},
                                {Value("CG001"), Value(11.0), Value(1001.0), Value(2.0)},
                                {Value("CG002"), Value(17.0), Value(1002.0), Value(1.0)}});

    const ConversionOutcome summary = ConvertRows(
        desk.context, desk.display, ConversionKindOf(DocumentKind::PurchaseOrder), rows);

    EXPECT_FALSE(summary.stopped());
    EXPECT_EQ(summary.converted, 3);
    EXPECT_TRUE(desk.display.rows.empty());
    // Zero quantity: zero amounts at the new rate.
    EXPECT_EQ(account.Number("FCess", 1001, 1), 16);
    EXPECT_EQ(account.Number("FAmount", 1001, 1), 0);
    EXPECT_EQ(account.Number("FTaxAmount", 1001, 1), 0);
    // A NULL price: the amounts computed from it are NULL, not zero and not garbage; the old
    // values are in the backup row.
    EXPECT_EQ(account.Number("FCess", 1001, 2), 10);
    EXPECT_EQ(account.Number("FAmount", 1001, 2), std::nullopt);
    EXPECT_EQ(account.Number("FTaxAmount", 1001, 2), std::nullopt);
    EXPECT_TRUE(account.Number("FAmount", 1001, 2, "POOrderEntryTaxRate").has_value());
    // A ten-decimal price: amounts rounded to the currency's two decimals.
    const std::optional<double> amount = account.Number("FAmount", 1002, 1);
    ASSERT_TRUE(amount);
    EXPECT_GT(*amount, 0);
    EXPECT_NEAR(*amount * 100, std::round(*amount * 100), 1e-6);
}

// A negative price makes the new amount negative, below the linked amount of 0: the line is
// listed with the linked-amount reason and left as it was.
TEST(OddAccountValues, ANegativePriceIsListedAndLeftAlone) {
    OddAccount account;
    account.Run(
        "UPDATE POOrderEntry SET FAuxTaxPrice=-12.3456789012 "
        "WHERE FInterID=1002 AND FEntryID=1");
    testing::CoreHarness<> desk(account.engine());
    desk.state.chk17 = CheckValue::Checked;
    const RecordsetPtr rows =
        testing_doubles::Sheet({{Value("CG002"), Value(17.0), Value(1002.0), Value(1.0)}});

    const ConversionOutcome summary = ConvertRows(
        desk.context, desk.display, ConversionKindOf(DocumentKind::PurchaseOrder), rows);

    EXPECT_EQ(summary.converted, 0);
    ASSERT_EQ(desk.display.rows.size(), 1u);
    EXPECT_EQ(desk.display.rows[0], std::string("CG002 分录:1|") + kOrderConflictReason + "|");
    EXPECT_EQ(account.Number("FCess", 1002, 1), 17);
    EXPECT_EQ(account.Number("FAmount", 1002, 1, "POOrderEntryTaxRate"), std::nullopt);
}

}  // namespace
}  // namespace q9::reliability
