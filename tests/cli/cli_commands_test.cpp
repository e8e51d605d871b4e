// The commands' answers to the operator's questions and their exit statuses, on demo accounts.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "cli/cli_harness.h"
#include "host/db/engine_factory.h"
#include "host/db/exact_decimal.h"
#include "host/db/sql_type.h"
#include "host/db/sqlite_handles.h"

namespace q9 {
namespace {

using testing::CliResult;
using testing::RunCli;

class CliCommands : public ::testing::Test {
  protected:
    void MakeAccount(std::vector<std::string> options = {}) {
        db_ = home_.File("account.db");
        options.insert(options.begin(), {"demo-db", db_});
        ASSERT_EQ(RunCli(options).status, 0);
    }
    CliResult Cli(std::vector<std::string> arguments, const std::string& input = {},
                  bool terminal = false) {
        arguments.insert(arguments.begin(), {"--db", "sqlite:" + db_});
        return RunCli(arguments, input, terminal);
    }
    std::string Content(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    testing::PrivateHome home_;
    std::string db_;
};

TEST_F(CliCommands, ExportAsksBeforeOverwritingAndNoKeepsTheFile) {
    MakeAccount();
    std::string file = home_.File("po.xls");
    {
        std::ofstream existing(file);
        existing << "keep me";
    }
    const std::string question = "[系统提示] 文件已存在，是否覆盖？\n";

    CliResult kept = Cli({"export", "po", file, "--keep"});
    EXPECT_EQ(kept.status, 3);
    EXPECT_EQ(kept.out, question);
    EXPECT_EQ(Content(file), "keep me");

    CliResult nobodyToAsk = Cli({"export", "po", file});
    EXPECT_EQ(nobodyToAsk.status, 3);
    EXPECT_EQ(Content(file), "keep me");

    CliResult answeredNo = Cli({"export", "po", file}, "n\n", true);
    EXPECT_EQ(answeredNo.status, 3);
    EXPECT_EQ(Content(file), "keep me");

    CliResult answeredYes = Cli({"export", "po", file}, "y\n", true);
    EXPECT_EQ(answeredYes.status, 0);
    EXPECT_EQ(answeredYes.out, question + "引出成功\n");
    EXPECT_NE(Content(file), "keep me");

    CliResult overwritten = Cli({"export", "po", file, "--overwrite"});
    EXPECT_EQ(overwritten.status, 0) << overwritten.out << overwritten.err;
    EXPECT_EQ(overwritten.out, question + "引出成功\n");
}

TEST_F(CliCommands, WholeBillDiscountRefusesOrderExportsAsAFailure) {
    MakeAccount({"--bill-discount"});
    std::string file = home_.File("so.xls");
    CliResult refused = Cli({"export", "so", file});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "系统启用整单折扣，本工具不支持修改销售订单业务。\n");
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(CliCommands, ConfirmationAnsweredNoChangesNothing) {
    MakeAccount();
    auto materialsAt17 = [this] {
        Error error;
        RecordsetPtr rows =
            OpenDatabaseEngine("sqlite:" + db_)
                ->Query("SELECT COUNT(*) FROM t_ICItemMaterial WHERE FTaxRate=17", &error);
        return rows ? rows->FieldAt(0).NumberAsDouble() : -1;
    };
    double before = materialsAt17();
    ASSERT_GT(before, 0);
    CliResult no = Cli({"adjust", "--17to16", "--materials", "--report", home_.File("r.csv")});
    EXPECT_EQ(no.status, 3);
    EXPECT_EQ(no.out, "[系统提示] 是否确定修改，修改后不可恢复，是否确认？\n");
    EXPECT_FALSE(std::filesystem::exists(home_.File("r.csv")));
    EXPECT_EQ(materialsAt17(), before);
}

TEST_F(CliCommands, EmptyRunShowsTheEmptyGridThenTheCompletionNotice) {
    MakeAccount();
    CliResult run = Cli({"adjust", "--11to10", "--yes", "--report", home_.File("r.csv")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "[系统提示] 是否确定修改，修改后不可恢复，是否确认？\n单据\t备注\n调整完成\n");
    EXPECT_EQ(Content(home_.File("r.csv")), "单据,备注\r\n");
}

TEST_F(CliCommands, MissingWorkbookIsShownAndIsAFailure) {
    MakeAccount();
    std::string missing = home_.File("gone.xls");
    CliResult run = Cli({"adjust", "--17to16", "--yes", "--so", missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "[系统提示] 是否确定修改，修改后不可恢复，是否确认？\n文件：" + missing +
                           "不存在\n单据\t备注\n调整完成\n");
}

TEST_F(CliCommands, WorkbookWithoutTheKindsSheetIsAReadExcelFailure) {
    MakeAccount();
    std::string po = home_.File("po.xls");
    ASSERT_EQ(Cli({"export", "po", po}).status, 0);
    // The purchase-order workbook named as the sales-order one: no sheet 销售订单.
    CliResult run = Cli({"adjust", "--17to16", "--yes", "--so", po});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\n[Read_Excel] "), std::string::npos) << run.out;
    EXPECT_TRUE(run.out.ends_with("单据\t备注\n调整完成\n")) << run.out;
}

// Every decimal column of every table holds exact decimal text with no more decimals than the
// column's scale, and no column holds floating point: no binary noise such as
// 0.30000000000000004. `checked` counts the decimal values seen.
std::vector<std::string> ValuesBeyondTheirColumnsScale(const std::string& path, int* checked) {
    std::vector<std::string> faults;
    sqlite::ConnectionPtr db = sqlite::OpenConnection(path, false);
    std::vector<std::string> tables;
    sqlite::StatementPtr list =
        sqlite::Prepare(db.get(), "SELECT name FROM sqlite_master WHERE type='table'");
    while (sqlite3_step(list.get()) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0)));
    for (const std::string& table : tables) {
        sqlite::StatementPtr rows = sqlite::Prepare(db.get(), "SELECT * FROM \"" + table + "\"");
        const int columns = sqlite3_column_count(rows.get());
        while (sqlite3_step(rows.get()) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                const char* declared = sqlite3_column_decltype(rows.get(), c);
                const tsql::SqlType type = tsql::StoredColumnType(declared ? declared : "");
                if (type.Is(tsql::SqlType::Kind::Float)) {
                    faults.push_back(table + "." + sqlite3_column_name(rows.get(), c) +
                                     " holds floating point");
                }
                if (!type.Is(tsql::SqlType::Kind::Decimal) ||
                    sqlite3_column_type(rows.get(), c) == SQLITE_NULL)
                    continue;
                ++*checked;
                const std::string text =
                    reinterpret_cast<const char*>(sqlite3_column_text(rows.get(), c));
                const std::optional<decimal::Decimal> value = decimal::Parse(text);
                if (sqlite3_column_type(rows.get(), c) != SQLITE_TEXT || !value ||
                    decimal::ToText(*value) != text || value->scale > type.scale) {
                    faults.push_back(table + "." + sqlite3_column_name(rows.get(), c) + " = " +
                                     text);
                }
            }
        }
    }
    return faults;
}

TEST_F(CliCommands, AOneClickRunOnAGeneratedAccountStoresOnlyExactDecimals) {
    for (const char* rule : {"inclusive", "exclusive"}) {
        SCOPED_TRACE(rule);
        db_ = home_.File(std::string("generated-") + rule + ".db");
        ASSERT_EQ(RunCli({"demo-db", db_, "--entries", "400", "--seed", "17"}).status, 0);
        std::vector<std::string> adjust = {"adjust",      "--17to16",    "--11to10",
                                           "--rule",      rule,          "--materials",
                                           "--customers", "--suppliers", "--yes"};
        for (const char* kind : {"po", "so", "payable", "receivable"}) {
            const std::string file = home_.File(std::string(kind) + ".xls");
            std::filesystem::remove(file);
            ASSERT_EQ(Cli({"export", kind, file}).status, 0) << kind;
            adjust.push_back(std::string("--") + kind);
            adjust.push_back(file);
        }
        const CliResult run = Cli(adjust);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("调整完成"), std::string::npos) << run.out;
        int checked = 0;
        EXPECT_EQ(ValuesBeyondTheirColumnsScale(db_, &checked), std::vector<std::string>{});
        EXPECT_GT(checked, 10000);
        // The run did rewrite lines: their backups are there.
        sqlite::ConnectionPtr db = sqlite::OpenConnection(db_, false);
        sqlite::StatementPtr count = sqlite::Prepare(
            db.get(),
            "SELECT (SELECT COUNT(*) FROM POOrderEntryTaxRate) + (SELECT COUNT(*) FROM "
            "t_rpContractEntryRate)");
        ASSERT_EQ(sqlite3_step(count.get()), SQLITE_ROW);
        EXPECT_GT(sqlite3_column_int(count.get(), 0), 100);
    }
}

// After a rejected backup batch the command line goes on as the window does: the failure is
// shown and counted, and what does not need the backup tables still runs.
TEST_F(CliCommands, RejectedBackupBatchIsShownAndTheExportStillRuns) {
    MakeAccount();
    // A view holding the backup table's name: the batch cannot create the table.
    sqlite::ExecuteScript(sqlite::OpenConnection(db_, false).get(),
                          "DROP TABLE IF EXISTS POOrderEntryTaxRate;"
                          "CREATE VIEW POOrderEntryTaxRate AS SELECT 1 AS FInterID;");
    std::string po = home_.File("po.xls");
    CliResult run = Cli({"export", "po", po});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.starts_with("[澜石提示] ")) << run.out;
    EXPECT_TRUE(run.out.ends_with("\n引出成功\n")) << run.out;
    EXPECT_TRUE(std::filesystem::exists(po));
}

}  // namespace
}  // namespace q9
