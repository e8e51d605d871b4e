// The commands' answers to the operator's questions and their exit statuses, on demo accounts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/cli_harness.h"
#include "host/db/engine_factory.h"

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

}  // namespace
}  // namespace q9
