// An account too large for one workbook per kind: its export is three workbooks, and one run
// naming all three converts every candidate, exactly as three runs of one workbook each do.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "cli/cli_harness.h"
#include "host/db/engine_factory.h"
#include "host/path_list.h"

namespace q9 {
namespace {

using testing::CliResult;
using testing::Lines;
using testing::RunCli;

constexpr const char* kPasteForm = "；可粘贴到路径框：";

std::vector<std::vector<Value>> TableRows(const std::string& db, const std::string& table) {
    std::shared_ptr<DatabaseEngine> engine = OpenDatabaseEngine("sqlite:" + db);
    Error error;
    RecordsetPtr rows = engine->Query("SELECT * FROM " + table + " ORDER BY 1,2", &error);
    EXPECT_TRUE(rows) << error.description;
    return rows ? rows->Rows() : std::vector<std::vector<Value>>{};
}

// The grid's entries as stdout shows them: the lines after its header line.
std::vector<std::string> GridEntries(const std::string& out) {
    std::vector<std::string> entries;
    bool inGrid = false;
    for (const std::string& line : Lines(out)) {
        if (line == "单据\t备注") {
            inGrid = true;
        } else if (inGrid && line.find('\t') != std::string::npos) {
            entries.push_back(line);
        }
    }
    return entries;
}

TEST(SeveralWorkbooks, OneRunNamingAllOfAKindsWorkbooksConvertsEveryCandidate) {
    testing::PrivateHome home;
    // A ";" and a space in the folder: the names offered for the box must come quoted.
    const std::filesystem::path folder = home.path() / "采购; 2018";
    std::filesystem::create_directories(folder);
    const std::string oneRun = home.File("one-run.db");
    const std::string oneByOne = home.File("one-by-one.db");
    ASSERT_EQ(RunCli({"demo-db", oneRun, "--entries", "56000"}).status, 0);
    std::filesystem::copy_file(oneRun, oneByOne);

    const CliResult exported =
        RunCli({"--db", "sqlite:" + oneRun, "export", "po", (folder / "po.xls").string()});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.err.find("exported 40161 lines"), std::string::npos) << exported.err;
    const size_t offered = exported.out.find(kPasteForm);
    ASSERT_NE(offered, std::string::npos) << exported.out;
    std::string box = exported.out.substr(offered + std::string(kPasteForm).size());
    box.pop_back();  // the line's end
    const std::vector<std::string> workbooks = SplitPathList(box);
    ASSERT_EQ(workbooks,
              (std::vector<std::string>{(folder / "po.xls").string(), (folder / "po1.xls").string(),
                                        (folder / "po2.xls").string()}));

    std::vector<std::string> adjust = {"--db",     "sqlite:" + oneRun, "adjust",
                                       "--17to16", "--11to10",         "--yes"};
    for (const std::string& workbook : workbooks) adjust.insert(adjust.end(), {"--po", workbook});
    const CliResult converted = RunCli(adjust);
    ASSERT_EQ(converted.status, 0) << converted.err;
    // One summary line per workbook, in the order named; together they account for every row.
    int lines = 0, rows = 0, listed = 0, unchanged = 0, summaries = 0;
    std::istringstream err(converted.err);
    for (std::string line; std::getline(err, line);) {
        int l = 0, r = 0, s = 0, u = 0;
        if (std::sscanf(line.c_str(),
                        "converted %d lines of 采购订单 (%d rows read, %d listed, %d unchanged)",
                        &l, &r, &s, &u) != 4) {
            continue;
        }
        ++summaries;
        lines += l, rows += r, listed += s, unchanged += u;
    }
    EXPECT_EQ(summaries, 3) << converted.err;
    EXPECT_EQ(std::vector<int>({lines, rows, listed, unchanged}),
              std::vector<int>({38757, 40161, 1404, 0}))
        << converted.err;
    // What was not converted is exactly what is still a candidate.
    const CliResult again =
        RunCli({"--db", "sqlite:" + oneRun, "export", "po", home.File("again.xls")});
    EXPECT_NE(again.err.find("exported 1404 lines"), std::string::npos) << again.err;

    std::vector<std::string> entriesOneByOne;
    for (const std::string& workbook : workbooks) {
        const CliResult one = RunCli({"--db", "sqlite:" + oneByOne, "adjust", "--17to16",
                                      "--11to10", "--yes", "--po", workbook});
        ASSERT_EQ(one.status, 0) << one.err;
        for (const std::string& entry : GridEntries(one.out)) entriesOneByOne.push_back(entry);
    }
    EXPECT_EQ(GridEntries(converted.out), entriesOneByOne);
    for (const char* table : {"POOrderEntry", "POOrderEntryTaxRate", "POOrder"}) {
        EXPECT_EQ(TableRows(oneRun, table), TableRows(oneByOne, table)) << table;
    }
}

}  // namespace
}  // namespace q9
