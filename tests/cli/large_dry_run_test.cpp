// A generated account of 20,000 entries per kind, under both rules and both discount switches:
// the preview changes nothing, and lists row for row what the run then changes.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "cli/cli_harness.h"
#include "host/db/engine_factory.h"
#include "journal/account_dump.h"

namespace q9 {
namespace {

using testing::CliResult;
using testing::RunCli;

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Dump(const std::string& db) {
    std::shared_ptr<DatabaseEngine> engine = OpenDatabaseEngine("sqlite:" + db);
    return testing::DumpAccount(*engine);
}

TEST(LargeDryRun, ListsExactlyWhatTheRunChangesAndChangesNothingItself) {
    for (const char* rule : {"inclusive", "exclusive"}) {
        for (const bool discountIncludesTax : {false, true}) {
            SCOPED_TRACE(std::string(rule) + (discountIncludesTax ? ", discount with tax" : ""));
            testing::PrivateHome home;
            const std::string db = home.File("account.db");
            std::vector<std::string> create = {"demo-db", db, "--entries", "20000"};
            if (discountIncludesTax) create.push_back("--discount-includes-tax");
            ASSERT_EQ(RunCli(create).status, 0);
            std::vector<std::string> adjust = {
                "--db", "sqlite:" + db, "adjust",      "--17to16",    "--11to10", "--rule",
                rule,   "--materials",  "--customers", "--suppliers", "--yes"};
            for (const std::string kind : {"po", "so", "payable", "receivable"}) {
                const std::string workbook = home.File(kind + ".xls");
                const CliResult exported =
                    RunCli({"--db", "sqlite:" + db, "export", kind, workbook});
                ASSERT_EQ(exported.status, 0) << exported.out << exported.err;
                adjust.insert(adjust.end(), {"--" + kind, workbook});
            }
            const std::string before = Dump(db);

            std::vector<std::string> dry = adjust;
            dry.insert(dry.end(), {"--dry-run", "--changes", home.File("dry.csv")});
            const CliResult previewed = RunCli(dry);
            ASSERT_EQ(previewed.status, 0) << previewed.err;
            EXPECT_EQ(Dump(db), before);  // every table, the tool's own too

            adjust.insert(adjust.end(), {"--changes", home.File("real.csv")});
            const CliResult converted = RunCli(adjust);
            ASSERT_EQ(converted.status, 0) << converted.err;
            const std::string listed = FileText(home.File("dry.csv"));
            EXPECT_GT(std::count(listed.begin(), listed.end(), '\n'), 40000);
            EXPECT_TRUE(FileText(home.File("real.csv")) == listed);
            EXPECT_NE(Dump(db), before);
        }
    }
}

}  // namespace
}  // namespace q9
