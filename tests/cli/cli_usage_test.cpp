#include <gtest/gtest.h>

#include <fstream>

#include "cli/cli_harness.h"

namespace q9 {
namespace {

using testing::RunCli;

TEST(CliUsage, VersionAndHelp) {
    auto version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("q9taxrate-cli ") + Q9_VERSION + "\n");

    auto help = RunCli({"adjust", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("export KIND FILE [--overwrite | --keep]"), std::string::npos);
    EXPECT_NE(help.out.find("--report FILE"), std::string::npos);
}

TEST(CliUsage, ErrorsExitWithTwoAndSayWhatIsWrongOnStderr) {
    struct Case {
        std::vector<std::string> arguments;
        std::string complaint;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"--db"}, "--db needs a value"},
        {{"--lang", "en"}, "no command"},
        {{"frobnicate"}, "unknown command"},
        {{"adjust"}, "--17to16, --11to10"},
        {{"adjust", "--materials", "--yes"}, "--17to16, --11to10"},
        {{"adjust", "--17to16", "--rule", "gross"}, "--rule is inclusive or exclusive"},
        {{"adjust", "--17to16", "--rule"}, "--rule needs a value"},
        {{"adjust", "--17to16", "--17to16"}, "given twice"},
        {{"adjust", "--11to10", "--po"}, "--po needs a value"},
        {{"adjust", "--11to10", "extra"}, "takes no argument"},
        {{"adjust", "--11to10", "--yes=no"}, "takes no value"},
        {{"adjust", "--11to10", "--report="}, "--report needs a FILE"},
        {{"export", "po"}, "needs KIND and FILE"},
        {{"export", "invoices", "x.xls"}, "unknown document kind"},
        {{"export", "po", "x.xls", "--overwrite", "--keep"}, "exclude each other"},
        {{"export", "po", "x.xls", "--force"}, "unknown option --force"},
        {{"demo-db"}, "exactly one FILE"},
        {{"demo-db", "a.db", "b.db"}, "exactly one FILE"},
        {{"demo-db", "a.db", "--entries", "12x"}, "--entries needs a whole number"},
        {{"demo-db", "a.db", "--entries", "0"}, "--entries needs a whole number"},
        {{"demo-db", "a.db", "--seed", "-4"}, "--seed needs a whole number"},
    };
    for (const Case& c : cases) {
        auto result = RunCli(c.arguments);
        std::string shown;
        for (const auto& a : c.arguments) shown += a + " ";
        EXPECT_EQ(result.status, 2) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_NE(result.err.find(c.complaint), std::string::npos) << shown << "\n" << result.err;
        EXPECT_NE(result.err.find("usage: q9taxrate-cli"), std::string::npos) << shown;
    }
}

TEST(CliDemoDb, RefusesAnExistingFileAndLeavesItAlone) {
    testing::PrivateHome home;
    std::string file = home.File("account.db");
    {
        std::ofstream existing(file);
        existing << "somebody's data";
    }
    auto result = RunCli({"demo-db", file});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("exists"), std::string::npos);
    std::ifstream in(file);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "somebody's data");
}

TEST(CliStartup, MissingAccountDatabaseIsAStartupErrorNotANewDatabase) {
    testing::PrivateHome home;
    std::string file = home.File("typo.db");
    auto result = RunCli({"--db", "sqlite:" + file, "adjust", "--17to16", "--yes"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "[澜石提示] 53 (账套数据库文件不存在：" + file + ")\n");
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace q9
