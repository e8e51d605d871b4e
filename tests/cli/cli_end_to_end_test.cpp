// The operator's whole job through the command line on a fresh demo account: export, edit the
// workbooks with other programs, adjust, and check the account database and the report.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>

#include "cli/cli_harness.h"
#include "cli_frontend.h"
#include "convert/convert_expected_figures.h"
#include "host/csv_cell.h"
#include "host/db/engine_factory.h"
#include "host/document_kind.h"
#include "support/independent_readers.h"
#include "workbook/sheet_reader.h"
#include "workbook/sheet_writer.h"

namespace q9 {
namespace {

using testing::CliResult;
using testing::Lines;
using testing::RunCli;

using Row = std::vector<Value>;
using Key = std::pair<int64_t, int64_t>;  // document id, entry id

struct Kind {
    std::string name;  // as the command line names it
    std::string entryTable, idColumn, rateColumn, backupTable, backupIdColumn, backupRateColumn;
    std::string taxColumn;  // orders: the entry's tax amount
};

const std::vector<Kind> kKinds = {
    {"po", "POOrderEntry", "FInterID", "FCess", "POOrderEntryTaxRate", "FInterID", "FCess",
     "FTaxAmount"},
    {"so", "SEOrderEntry", "FInterID", "FCess", "SEOrderEntryTaxRate", "FInterID", "FCess",
     "FTaxAmt"},
    {"payable", "t_RPContractEntry", "FContractID", "FTaxRate", "t_rpContractEntryRate",
     "FContractID", "FTaxRate", ""},
    {"receivable", "t_RPContractEntry", "FContractID", "FTaxRate", "t_rpContractEntryRate",
     "FContractID", "FTaxRate", ""},
};

class Account {
  public:
    explicit Account(const std::string& path) : engine_(OpenDatabaseEngine("sqlite:" + path)) {}

    RecordsetPtr Query(const std::string& sql) {
        Error error;
        RecordsetPtr rows = engine_->Query(sql, &error);
        EXPECT_TRUE(rows) << sql << ": " << error.description;
        return rows;
    }

    // Every row of every table the job may touch, in key order.
    std::map<std::string, std::vector<Row>> Snapshot() {
        std::map<std::string, std::vector<Row>> all;
        for (const char* table :
             {"POOrderEntry", "SEOrderEntry", "t_RPContractEntry", "t_RPContract",
              "t_RPContractScheme", "t_ICItemMaterial", "t_Organization", "t_Supplier",
              "t_ItemPropDesc", "POOrderEntryTaxRate", "SEOrderEntryTaxRate",
              "t_rpContractEntryRate"}) {
            RecordsetPtr rows = Query(std::string("SELECT * FROM ") + table + " ORDER BY 1,2");
            if (rows) all[table] = rows->Rows();
        }
        return all;
    }

    // Entries of a table by key, each as field name → value.
    std::map<Key, std::map<std::string, Value>> Entries(const std::string& table,
                                                        const std::string& idColumn) {
        std::map<Key, std::map<std::string, Value>> entries;
        RecordsetPtr rows = Query("SELECT * FROM " + table);
        if (!rows) return entries;
        for (const Row& row : rows->Rows()) {
            std::map<std::string, Value> fields;
            for (size_t i = 0; i < row.size(); ++i) fields[rows->FieldNames()[i]] = row[i];
            Key key{static_cast<int64_t>(fields[idColumn].NumberAsDouble()),
                    static_cast<int64_t>(fields["FEntryID"].NumberAsDouble())};
            entries[key] = fields;
        }
        return entries;
    }

    void Execute(const std::string& sql) {
        const Outcome outcome = engine_->Execute(sql);
        EXPECT_TRUE(outcome.ok()) << sql << ": " << outcome.error.description;
    }

    double Number(const std::string& sql) {
        RecordsetPtr rows = Query(sql);
        if (!rows || rows->RecordCount() < 1 || rows->FieldAt(0).IsNull()) return 0;
        return rows->FieldAt(0).NumberAsDouble();
    }

  private:
    std::shared_ptr<DatabaseEngine> engine_;
};

struct WorkbookRow {
    Key key;
    double rate = 0;
    std::string bill;
};

struct Edits {
    std::map<std::string, std::string> files;
    std::map<std::string, std::vector<WorkbookRow>> kept, removed;
};

// Runs the independent editor and reads what it did.
Edits EditWorkbooks(const std::string& folder) {
    std::string command =
        std::string("/usr/bin/python3 ") + Q9_CLI_TEST_DIR + "/edit_workbooks.py '" + folder + "'";
    Edits edits;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return edits;
    std::string output;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) output.append(buffer, n);
    for (const std::string& line : Lines(output)) {
        std::istringstream words(line);
        std::string what, kind;
        words >> what >> kind;
        if (what == "file") {
            words >> edits.files[kind];
            continue;
        }
        WorkbookRow row;
        words >> row.key.first >> row.key.second >> row.rate >> row.bill;
        (what == "kept" ? edits.kept : edits.removed)[kind].push_back(row);
    }
    return edits;
}

// The grid of the output: entry's first cell → reason.
std::vector<std::pair<std::string, std::string>> Grid(const std::string& out) {
    std::vector<std::pair<std::string, std::string>> grid;
    bool inGrid = false;
    for (const std::string& line : Lines(out)) {
        if (line == "单据\t备注") {
            inGrid = true;
            continue;
        }
        if (!inGrid) continue;
        auto tab = line.find('\t');
        if (tab == std::string::npos) break;  // the completion notice follows the grid
        grid.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return grid;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Num(const std::map<std::string, Value>& fields, const std::string& name) {
    const Value& v = fields.at(name);
    return v.IsNull() ? 0 : v.NumberAsDouble();
}

// A figure the database rounded to 2 decimals from `exact`.
void ExpectRoundedTo2(double stored, double exact, const std::string& what) {
    EXPECT_NEAR(stored * 100, std::round(stored * 100), 1e-6) << what << " not at 2 decimals";
    EXPECT_LE(std::fabs(stored - exact), 0.005 + 1e-9) << what << ": " << stored << " vs " << exact;
}

// Whether the converter's UPDATE can reach the entry: it joins the header and the material (and
// for contracts the currency).
bool Convertible(Account& account, const Kind& kind, const std::map<std::string, Value>& entry) {
    const bool contract = kind.entryTable == "t_RPContractEntry";
    const std::string item = ToText(entry.at(contract ? "FProductID" : "FItemID"));
    const std::string id = ToText(entry.at(kind.idColumn));
    if (account.Number("SELECT COUNT(*) FROM t_ICItemMaterial WHERE FItemID=" + item) < 1)
        return false;
    if (!contract) {
        const std::string header = kind.name == "po" ? "POOrder" : "SEOrder";
        return account.Number("SELECT COUNT(*) FROM " + header + " WHERE FInterID=" + id) > 0;
    }
    return account.Number(
               "SELECT COUNT(*) FROM t_RPContract t INNER JOIN t_Currency c ON "
               "c.FCurrencyID=t.FCurrencyID WHERE t.FContractID=" +
               id) > 0;
}

class CliEndToEnd : public ::testing::Test {
  public:
    std::string File(const std::string& name) const { return home_.File(name); }
    void SetUp() override {
        db_ = home_.File("account.db");
        ASSERT_EQ(RunCli({"demo-db", db_}).status, 0);
    }

  public:
    CliResult Cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--db", "sqlite:" + db_});
        return RunCli(arguments);
    }

    void ExportAll() {
        for (const Kind& kind : kKinds) {
            CliResult exported = Cli({"export", kind.name, home_.File(kind.name + ".xls")});
            ASSERT_EQ(exported.status, 0) << kind.name << "\n" << exported.out << exported.err;
            EXPECT_EQ(exported.out, "引出成功\n") << kind.name;
        }
    }

    std::vector<std::string> Adjust(const std::string& rule, const Edits& edits) {
        std::vector<std::string> arguments = {"adjust",
                                              "--17to16",
                                              "--11to10",
                                              "--rule",
                                              rule,
                                              "--materials",
                                              "--customers",
                                              "--suppliers",
                                              "--yes",
                                              "--report",
                                              home_.File("report.csv")};
        for (const auto& [kind, file] : edits.files) {
            arguments.push_back("--" + kind);
            arguments.push_back(file);
        }
        return arguments;
    }

    testing::PrivateHome home_;
    std::string db_;
};

TEST_F(CliEndToEnd, NoReportOrExportIsWrittenOverTheAccountAndABadReportStopsFirst) {
    ExportAll();  // the start-up has made the backup tables
    const std::map<std::string, std::vector<Row>> before = Account(db_).Snapshot();
    const struct {
        std::string report;
        std::string said;  // on stderr
    } cases[] = {
        {db_, "不能写入账套数据库文件：" + db_},
        {db_ + "-wal", "不能写入账套数据库文件：" + db_ + "-wal"},
        {home_.File("missing/report.csv"), "cannot write the report " +
                                               home_.File("missing/report.csv") +
                                               ": No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.report);
        // The master data would change at once: nothing may, as the report could not follow.
        CliResult run = Cli({"adjust", "--17to16", "--materials", "--yes", "--report", c.report});
        EXPECT_NE(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(Account(db_).Snapshot(), before);
    }
    CliResult exported = Cli({"export", "po", db_});
    EXPECT_NE(exported.status, 0);
    // An untitled box: its empty brackets say that no title is there.
    EXPECT_EQ(exported.out, "[] 不能写入账套数据库文件：" + db_ + "\n");
    EXPECT_EQ(Account(db_).Snapshot(), before);
}

TEST_F(CliEndToEnd, EditedWorkbooksAreConvertedOnceUnderTheTaxInclusiveRule) {
    ExportAll();
    Edits edits = EditWorkbooks(home_.path().string());
    ASSERT_EQ(edits.files.size(), 4u) << "the editor did not run";
    EXPECT_TRUE(edits.files["po"].ends_with(".xlsx"));
    EXPECT_TRUE(edits.files["so"].ends_with(".xls"));

    Account account(db_);
    auto before = account.Snapshot();
    std::map<std::string, std::map<Key, std::map<std::string, Value>>> entriesBefore;
    for (const Kind& kind : kKinds) {
        entriesBefore[kind.name] = account.Entries(kind.entryTable, kind.idColumn);
    }
    double materialsAt16 =
        account.Number("SELECT COUNT(*) FROM t_ICItemMaterial WHERE FTaxRate=16");
    double materialsAt17 =
        account.Number("SELECT COUNT(*) FROM t_ICItemMaterial WHERE FTaxRate=17");

    CliResult run = Cli(Adjust("inclusive", edits));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    std::vector<std::string> out = Lines(run.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), "[系统提示] 是否确定修改，修改后不可恢复，是否确认？");
    EXPECT_EQ(out.back(), "调整完成");
    auto grid = Grid(run.out);
    std::map<std::string, std::string> listed(grid.begin(), grid.end());

    int convertedTotal = 0;
    std::set<std::pair<std::string, Key>> handled;
    for (const Kind& kind : kKinds) {
        auto after = account.Entries(kind.entryTable, kind.idColumn);
        auto backups = account.Entries(kind.backupTable, kind.backupIdColumn);
        int converted = 0;
        for (const WorkbookRow& row : edits.kept[kind.name]) {
            handled.insert({kind.entryTable, row.key});
            const auto& was = entriesBefore[kind.name].at(row.key);
            const auto& now = after.at(row.key);
            std::string where =
                kind.name + " " + row.bill + " 分录:" + std::to_string(row.key.second);
            auto entry = listed.find(row.bill + " 分录:" + std::to_string(row.key.second));
            if (entry != listed.end()) {
                // Both rates are ticked, so "17%" and 11 rows are never refused for their rate.
                EXPECT_EQ(entry->second.find("税率不是17或11"), std::string::npos) << where;
                EXPECT_EQ(now, was) << where << " was listed but changed";
                EXPECT_FALSE(backups.contains(row.key)) << where;
                continue;
            }
            if (!Convertible(account, kind, was)) {
                // Header or material missing: the update joins them, so the line stays as it
                // was and nothing is kept of it.
                EXPECT_EQ(now, was) << where;
                EXPECT_FALSE(backups.contains(row.key)) << where;
                continue;
            }
            ++converted;
            const double oldRate = Num(was, kind.rateColumn);
            const double newRate = oldRate == 17 ? 16 : 10;
            EXPECT_EQ(Num(now, kind.rateColumn), newRate) << where;
            ASSERT_TRUE(backups.contains(row.key)) << where << " has no backup row";
            EXPECT_EQ(Num(backups.at(row.key), kind.backupRateColumn), oldRate) << where;
            if (kind.entryTable != "t_RPContractEntry") {
                // The tax-inclusive price and total stay; amount and tax follow the new rate.
                const double q = Num(was, "FAuxQty"), pi = Num(was, "FAuxTaxPrice"),
                             d = Num(was, "FTaxRate");
                EXPECT_EQ(now.at("FAuxTaxPrice"), was.at("FAuxTaxPrice")) << where;
                EXPECT_EQ(now.at("FAllAmount"), was.at("FAllAmount")) << where;
                ExpectRoundedTo2(Num(now, "FAmount"), q * pi * (100 - d) / (100 + newRate),
                                 where + " FAmount");
                ExpectRoundedTo2(Num(now, kind.taxColumn),
                                 q * pi * (100 - d) * newRate / ((100 + newRate) * 100),
                                 where + " tax");
            } else {
                EXPECT_EQ(now.at("FTaxPriceFor"), was.at("FTaxPriceFor")) << where;
                EXPECT_EQ(now.at("FAmountIncludeTaxFor"), was.at("FAmountIncludeTaxFor")) << where;
            }
        }
        for (const WorkbookRow& row : edits.removed[kind.name]) {
            EXPECT_EQ(after.at(row.key), entriesBefore[kind.name].at(row.key))
                << kind.name << " removed row " << row.bill << " changed";
            EXPECT_FALSE(backups.contains(row.key));
        }
        EXPECT_GT(converted, 0) << "nothing of " << kind.name << " was converted";
        convertedTotal += converted;
    }
    // No other entry changed, and the backup tables hold exactly the converted lines.
    for (const Kind& kind : kKinds) {
        auto after = account.Entries(kind.entryTable, kind.idColumn);
        for (const auto& [key, fields] : entriesBefore[kind.name]) {
            if (handled.contains({kind.entryTable, key})) continue;
            EXPECT_EQ(after.at(key), fields)
                << kind.entryTable << " " << key.first << "/" << key.second << " changed";
        }
    }
    double backupRows = account.Number("SELECT COUNT(*) FROM POOrderEntryTaxRate") +
                        account.Number("SELECT COUNT(*) FROM SEOrderEntryTaxRate") +
                        account.Number("SELECT COUNT(*) FROM t_rpContractEntryRate");
    EXPECT_EQ(backupRows, convertedTotal);
    // Tax-inclusive: contract totals and schedules keep their figures.
    auto after = account.Snapshot();
    EXPECT_EQ(after["t_RPContract"], before["t_RPContract"]);
    EXPECT_EQ(after["t_RPContractScheme"], before["t_RPContractScheme"]);

    // Master data: nothing left at 17 or 11, and the defaults of new records at 16.
    EXPECT_EQ(account.Number("SELECT COUNT(*) FROM t_ICItemMaterial WHERE FTaxRate IN (17,11)"), 0);
    EXPECT_EQ(account.Number("SELECT COUNT(*) FROM t_ICItemMaterial WHERE FTaxRate=16"),
              materialsAt16 + materialsAt17);
    EXPECT_EQ(account.Number("SELECT COUNT(*) FROM t_Organization WHERE FValueAddRate IN (17,11)"),
              0);
    EXPECT_EQ(account.Number("SELECT COUNT(*) FROM t_Supplier WHERE FValueAddRate IN (17,11)"), 0);
    RecordsetPtr defaults = account.Query(
        "SELECT FItemClassID, FSQLColumnName, FDefaultValue FROM t_ItemPropDesc WHERE "
        "(FItemClassID=4 AND FSQLColumnName='FTaxRate') OR (FItemClassID IN (1,8) AND "
        "FSQLColumnName='FValueAddRate')");
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->RecordCount(), 3);
    for (const Row& row : defaults->Rows()) EXPECT_EQ(TextOrEmpty(row[2]), "16");

    // The report holds the grid.
    std::string expectedCsv = "单据,备注\r\n";
    for (const auto& [first, reason] : grid) {
        expectedCsv += CsvLine({first, reason});
    }
    EXPECT_EQ(ReadFile(home_.File("report.csv")), expectedCsv);
    EXPECT_FALSE(grid.empty()) << "the sample has refused lines";

    // The same workbooks again: nothing changes, the same lines are refused.
    CliResult again = Cli(Adjust("inclusive", edits));
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(Grid(again.out), grid);
    EXPECT_EQ(account.Snapshot(), after);
}

TEST_F(CliEndToEnd, TaxExclusiveRuleKeepsTotalsInLineWithTheEntries) {
    ExportAll();
    std::vector<std::string> arguments = {"adjust", "--17to16",  "--11to10",
                                          "--rule", "exclusive", "--yes"};
    for (const Kind& kind : kKinds) {
        arguments.push_back("--" + kind.name);
        arguments.push_back(home_.File(kind.name + ".xls"));
    }
    CliResult run = Cli(arguments);
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    Account account(db_);
    // Every contract with a converted entry: header and schedule totals are its entries' sums.
    RecordsetPtr contracts = account.Query(
        "SELECT t.FContractID, t.FTotalAmountFor, (SELECT SUM(FAmountIncludeTaxFor) FROM "
        "t_RPContractEntry e WHERE e.FContractID=t.FContractID) FROM t_RPContract t WHERE "
        "t.FContractID IN (SELECT FContractID FROM t_rpContractEntryRate)");
    ASSERT_TRUE(contracts);
    EXPECT_GT(contracts->RecordCount(), 0);
    for (const Row& row : contracts->Rows()) {
        EXPECT_NEAR(row[1].NumberAsDouble(), row[2].NumberAsDouble(), 1e-6)
            << "contract " << TextOrEmpty(row[0]);
    }
    // Converted order lines add up: amount plus tax is the total.
    for (const Kind& kind : {kKinds[0], kKinds[1]}) {
        const std::string& table = kind.entryTable;
        RecordsetPtr lines =
            account.Query("SELECT e.FAmount+e." + kind.taxColumn + "-e.FAllAmount FROM " + table +
                          " e WHERE EXISTS(SELECT 1 FROM " + kind.backupTable +
                          " b WHERE b.FInterID=e.FInterID AND b.FEntryID=e.FEntryID)");
        ASSERT_TRUE(lines);
        EXPECT_GT(lines->RecordCount(), 0) << table;
        for (const Row& row : lines->Rows()) EXPECT_NEAR(row[0].NumberAsDouble(), 0, 1e-6) << table;
    }
}

TEST_F(CliEndToEnd, DryRunShowsTheRunsGridAndLeavesTheAccountAsItWas) {
    ExportAll();
    Edits edits = EditWorkbooks(home_.path().string());
    ASSERT_EQ(edits.files.size(), 4u) << "the editor did not run";
    for (const std::string rule : {"inclusive", "exclusive"}) {
        SCOPED_TRACE(rule);
        if (rule == "exclusive") {  // the same sample again, the workbooks still fitting it
            db_ = home_.File("second.db");
            ASSERT_EQ(RunCli({"demo-db", db_}).status, 0);
            ASSERT_EQ(Cli({"runs"}).status, 0);  // a start-up: the backup tables are there
        }
        Account account(db_);
        const auto before = account.Snapshot();
        std::vector<std::string> arguments = Adjust(rule, edits);
        arguments.insert(arguments.end(), {"--dry-run", "--changes", home_.File("dry.csv")});
        CliResult dry = Cli(arguments);
        ASSERT_EQ(dry.status, 0) << dry.out << dry.err;
        const std::vector<std::string> out = Lines(dry.out);
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), "预览完成，账套未作任何修改");
        EXPECT_EQ(dry.out.find("是否确定修改"), std::string::npos);  // asks nothing
        EXPECT_EQ(account.Snapshot(), before);
        arguments = Adjust(rule, edits);
        arguments.insert(arguments.end(), {"--dry-run", "--changes", home_.File("dry.xlsx")});
        ASSERT_EQ(Cli(arguments).status, 0);

        arguments = Adjust(rule, edits);
        arguments.insert(arguments.end(), {"--changes", home_.File("real.csv")});
        CliResult real = Cli(arguments);
        ASSERT_EQ(real.status, 0) << real.out << real.err;
        EXPECT_EQ(Grid(real.out), Grid(dry.out));
        // What the preview listed is, row for row, what the run changed.
        auto read = [](const std::string& path) {
            std::ifstream file(path, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(file), {});
        };
        const std::string listed = read(home_.File("dry.csv"));
        EXPECT_TRUE(listed.starts_with("类别,单据,分录,表,字段,修改前,修改后\r\n")) << listed;
        EXPECT_GT(std::count(listed.begin(), listed.end(), '\n'), 10);
        EXPECT_EQ(read(home_.File("real.csv")), listed);
        // The same list as an .xlsx workbook: the CSV's cells, every one a text, as an
        // independent reader finds them.
        const test::XlrdBook book = test::ReadWithOpenpyxl(home_.File("dry.xlsx"));
        ASSERT_EQ(book.sheets.size(), 1u);
        EXPECT_EQ(book.sheets[0].name, "变更明细");
        std::string cellsAsCsv;
        for (int r = 0; r < book.sheets[0].rows; ++r) {
            std::vector<std::string> cells(7);
            for (int c = 0; c < 7; ++c) {
                auto cell = book.sheets[0].cells.find({r, c});
                if (cell == book.sheets[0].cells.end()) continue;
                EXPECT_EQ(cell->second.type, 's') << r << "," << c;
                cells[static_cast<size_t>(c)] = cell->second.text;
            }
            cellsAsCsv += CsvLine(cells);
        }
        EXPECT_EQ(cellsAsCsv, listed);
        EXPECT_NE(account.Snapshot(), before);
    }
}

TEST_F(CliEndToEnd, RunsAndUndoFollowTheCommandLinesConventions) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string out;
    } cases[] = {
        {{"runs"}, 0, "调整编号\t开始时间\t用户\t方案\t规则\t行数\t状态\n"},
        {{"runs", "5"}, 2, ""},
        {{"undo"}, 2, ""},
        {{"undo", "x1"}, 2, ""},
        {{"undo", "0"}, 2, ""},
        // The start-up created the journal: the account has one, without that run.
        {{"undo", "5", "--yes"}, 3, "[系统提示] 是否撤销第5次调整？\n没有编号为5的调整\n"},
        {{"undo", "5"}, 3, "[系统提示] 是否撤销第5次调整？\n"},  // no terminal: No
    };
    for (const auto& c : cases) {
        CliResult result = Cli(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments.front() << "\n"
                                           << result.out << result.err;
        if (c.status != 2) {
            EXPECT_EQ(result.out, c.out) << result.err;
        }
    }
}

// A plain run, without a change list, is journaled: listed, undone to the very values it
// overwrote, and the same workbooks then convert to the same figures again.
TEST_F(CliEndToEnd, EveryRealRunIsListedAndUndoneToTheValuesBeforeIt) {
    ExportAll();
    Edits edits = EditWorkbooks(home_.path().string());
    ASSERT_EQ(edits.files.size(), 4u) << "the editor did not run";
    const struct {
        std::string rule;
        std::string database;  // a fresh copy of the sample, or empty for the exported one
    } cases[] = {{"inclusive", ""}, {"exclusive", "second.db"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        if (!c.database.empty()) {
            db_ = home_.File(c.database);
            ASSERT_EQ(RunCli({"demo-db", db_}).status, 0);
        }
        ASSERT_EQ(Cli({"runs"}).status, 0);  // a start-up: backup and journal tables are there
        Account account(db_);
        const auto before = account.Snapshot();
        CliResult run = Cli(Adjust(c.rule, edits));
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const auto after = account.Snapshot();
        ASSERT_NE(after, before);

        CliResult runs = Cli({"runs"});
        ASSERT_EQ(runs.status, 0) << runs.err;
        const std::vector<std::string> listed = Lines(runs.out);
        ASSERT_EQ(listed.size(), 2u) << runs.out;
        EXPECT_TRUE(listed[1].starts_with("1\t")) << listed[1];
        EXPECT_TRUE(listed[1].ends_with("\t完成")) << listed[1];

        CliResult undone = Cli({"undo", "1", "--yes"});
        ASSERT_EQ(undone.status, 0) << undone.out << undone.err;
        EXPECT_EQ(undone.out.find("未撤销"), std::string::npos) << undone.out;
        EXPECT_EQ(account.Snapshot(), before);
        EXPECT_TRUE(Lines(Cli({"runs"}).out).at(1).ends_with("\t已撤销"));

        CliResult again = Cli(Adjust(c.rule, edits));
        ASSERT_EQ(again.status, 0) << again.out << again.err;
        EXPECT_EQ(Grid(again.out), Grid(run.out));
        EXPECT_EQ(account.Snapshot(), after);
    }
}

// A workbook as the reader gives it: title row first, cells F1…F14.
std::vector<Row> ReadWorkbookRows(const std::string& path, DocumentKind kind) {
    RecordsetPtr rows = ReadSheet(path, KindText(kind));
    std::vector<Row> all = rows->Rows();
    for (Row& row : all) row.resize(14);
    return all;
}

void WriteWorkbookRows(const std::string& path, DocumentKind kind, const std::vector<Row>& rows) {
    std::unique_ptr<SheetWriter> writer =
        NewSheetWriter(WorkbookFileFormat::Excel95, KindText(kind));
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const Value& v = rows[r][c];
            const auto row = static_cast<uint32_t>(r), column = static_cast<uint32_t>(c);
            if (v.IsText()) writer->AddLabel(row, column, v.AsText());
            if (v.IsNumber()) writer->AddNumber(row, column, v.NumberAsDouble());
        }
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    ASSERT_TRUE(file);
    writer->WriteTo(file.get());
}

// The id cells; a column holding the title and numbers is read as text.
Key KeyOfRow(const Row& row) {
    const auto whole = [](const Value& v) {
        return static_cast<int64_t>(v.IsNumber() ? v.NumberAsDouble() : std::stod(v.AsText()));
    };
    return {whole(row[12]), whole(row[13])};
}

std::string FirstCell(const Row& row) {
    return TextOrEmpty(row[0]) + " 分录:" + TextOrEmpty(row[13]);
}

// Lines that stopped being candidates after the export are refused, each with its own entry;
// every other line converts exactly as it does in the same run without those changes.
TEST_F(CliEndToEnd, LinesThatAreNoLongerCandidatesAreListedAndLeftAsTheyAre) {
    const std::string reason =
        "该行数据已不符合引出条件（已开票、已作废、日期不在调整范围或不属于本类单据），该行数据不处"
        "理";
    const std::string control = db_;
    const std::string stale = home_.File("stale.db");
    ASSERT_EQ(RunCli({"demo-db", stale}).status, 0);
    ASSERT_EQ(RunCli({"--db", "sqlite:" + stale, "runs"}).status, 0);  // its backup tables
    ExportAll();
    const std::map<std::string, DocumentKind> kinds = {
        {"po", DocumentKind::PurchaseOrder},
        {"so", DocumentKind::SalesOrder},
        {"payable", DocumentKind::PayableContract},
        {"receivable", DocumentKind::ReceivableContract}};
    std::map<std::string, std::vector<Row>> sheets;
    for (const auto& [name, kind] : kinds) {
        sheets[name] = ReadWorkbookRows(home_.File(name + ".xls"), kind);
        ASSERT_GT(sheets[name].size(), 2u) << name;
    }

    // The control run converts the workbooks as exported.
    Account controlAccount(control), staleAccount(stale);
    ASSERT_EQ(controlAccount.Snapshot(), staleAccount.Snapshot());
    std::vector<std::string> arguments = {"adjust", "--17to16",  "--11to10",
                                          "--rule", "inclusive", "--yes"};
    const auto withWorkbooks = [&](const std::string& prefix) {
        std::vector<std::string> all = arguments;
        for (const auto& [name, kind] : kinds) {
            all.insert(all.end(), {"--" + name, home_.File(prefix + name + ".xls")});
        }
        return all;
    };
    CliResult controlRun = RunCli([&] {
        auto all = withWorkbooks("");
        all.insert(all.begin(), {"--db", "sqlite:" + control});
        return all;
    }());
    ASSERT_EQ(controlRun.status, 0) << controlRun.out << controlRun.err;
    const auto controlGrid = Grid(controlRun.out);

    // After the export: one order line invoiced, one sales order cancelled, one purchase order
    // re-dated after the cut-off.
    std::vector<Row>& po = sheets["po"];
    const Row invoiced = po[1];
    const Key cancelledOrder = KeyOfRow(sheets["so"][1]);
    auto laterOrder = std::find_if(po.begin() + 3, po.end(), [&](const Row& row) {
        return KeyOfRow(row).first != KeyOfRow(po[1]).first &&
               KeyOfRow(row).first != KeyOfRow(po[2]).first;
    });
    ASSERT_NE(laterOrder, po.end());
    const int64_t redatedOrder = KeyOfRow(*laterOrder).first;
    staleAccount.Execute("UPDATE POOrderEntry SET FQtyInvoice=1 WHERE FInterID=" +
                         std::to_string(KeyOfRow(invoiced).first) +
                         " AND FEntryID=" + std::to_string(KeyOfRow(invoiced).second));
    staleAccount.Execute("UPDATE SEOrder SET FCancellation=1 WHERE FInterID=" +
                         std::to_string(cancelledOrder.first));
    staleAccount.Execute("UPDATE POOrder SET FDate='2018-06-01' WHERE FInterID=" +
                         std::to_string(redatedOrder));
    // A row whose ids the operator changed to a line that was never exported, a row whose ids
    // match no line, and a payable line moved into the receivable workbook.
    RecordsetPtr never = staleAccount.Query(
        "SELECT e.FInterID, e.FEntryID FROM POOrderEntry e INNER JOIN POOrder d ON "
        "d.FInterID=e.FInterID WHERE e.FCess=17 AND d.FDate>='2018-05-01' AND d.FInterID<>" +
        std::to_string(redatedOrder));
    ASSERT_TRUE(never && never->RecordCount() > 0);
    const Key editedAway = KeyOfRow(po[2]);
    po[2][12] = never->FieldAt(0);
    po[2][13] = never->FieldAt(1);
    const Row edited = po[2];
    Row ghost = invoiced;
    ghost[12] = 999999;
    po.push_back(ghost);
    std::vector<Row>& payable = sheets["payable"];
    const Row fed = payable[1];
    payable.erase(payable.begin() + 1);
    sheets["receivable"].push_back(fed);
    for (const auto& [name, kind] : kinds) {
        WriteWorkbookRows(home_.File("stale-" + name + ".xls"), kind, sheets[name]);
    }

    // The rows expected refused, by their grid cell, and the lines that must stay as they were.
    std::set<std::string> refused = {FirstCell(invoiced), FirstCell(edited), FirstCell(fed)};
    std::map<std::string, std::set<Key>> untouched = {
        {"POOrderEntry", {KeyOfRow(invoiced), KeyOfRow(edited), editedAway}},
        {"SEOrderEntry", {}},
        {"t_RPContractEntry", {KeyOfRow(fed)}}};
    for (const auto& [name, table, order] :
         {std::tuple<std::string, std::string, int64_t>{"po", "POOrderEntry", redatedOrder},
          {"so", "SEOrderEntry", cancelledOrder.first}}) {
        for (size_t r = 1; r < sheets[name].size(); ++r) {
            const Row& row = sheets[name][r];
            if (KeyOfRow(row).first != order) continue;
            refused.insert(FirstCell(row));
            untouched[table].insert(KeyOfRow(row));
        }
    }

    std::map<std::string, std::map<Key, std::map<std::string, Value>>> before;
    for (const Kind& kind : kKinds) {
        before[kind.entryTable] = staleAccount.Entries(kind.entryTable, kind.idColumn);
    }
    CliResult run = RunCli([&] {
        auto all = withWorkbooks("stale-");
        all.insert(all.begin(), {"--db", "sqlite:" + stale});
        return all;
    }());
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("1 matching no line"), std::string::npos) << run.err;

    // Each refused row is listed once with the reason; every other entry is the control run's.
    const auto grid = Grid(run.out);
    for (const std::string& cell : refused) {
        EXPECT_EQ(std::count(grid.begin(), grid.end(), std::make_pair(cell, reason)), 1) << cell;
    }
    for (const auto& entry : grid) {
        if (entry.second == reason) {
            EXPECT_TRUE(refused.contains(entry.first)) << entry.first;
        } else {
            EXPECT_NE(std::find(controlGrid.begin(), controlGrid.end(), entry), controlGrid.end())
                << entry.first << " " << entry.second;
        }
    }
    for (const Kind& kind : kKinds) {
        const auto now = staleAccount.Entries(kind.entryTable, kind.idColumn);
        const auto converted = controlAccount.Entries(kind.entryTable, kind.idColumn);
        const auto backups = staleAccount.Entries(kind.backupTable, kind.backupIdColumn);
        for (const auto& [key, fields] : now) {
            const std::string where = kind.entryTable + " " + std::to_string(key.first) + "/" +
                                      std::to_string(key.second);
            if (untouched[kind.entryTable].contains(key)) {
                EXPECT_EQ(fields, before[kind.entryTable].at(key)) << where << " changed";
                EXPECT_FALSE(backups.contains(key)) << where;
            } else {
                EXPECT_EQ(fields, converted.at(key)) << where << " differs from the control run";
            }
        }
    }
}

// One profile's run on the account as it stands, under the tax-inclusive rule: every entry it
// backed up holds the formulas' figures at the new rate in exact decimals and its backup row the
// entry as it was; every other entry is untouched; the same run again changes nothing.
struct ProfileRun {
    const char* what;
    std::vector<std::string> profile;          // global options naming it
    std::map<std::string, std::string> rates;  // old rate as the account holds it → N
    std::string firstNewRate;                  // the master-data defaults afterwards
};

testing_doubles::Exact ExactOf(const Value& value) {
    return testing_doubles::Exact(value.IsNull() ? std::string("0") : ToText(value));
}

void ExpectProfileRun(CliEndToEnd& test, Account& account, const ProfileRun& run) {
    using testing_doubles::Exact;
    std::map<std::string, std::map<Key, std::map<std::string, Value>>> before;
    for (const Kind& kind : kKinds)
        before[kind.name] = account.Entries(kind.entryTable, kind.idColumn);
    std::vector<std::string> adjust = run.profile;
    adjust.push_back("adjust");
    for (const auto& [old, n] : run.rates) adjust.insert(adjust.end(), {"--convert", old});
    adjust.insert(adjust.end(), {"--materials", "--customers", "--suppliers", "--yes"});
    for (const Kind& kind : kKinds) {
        std::vector<std::string> exporting = run.profile;
        const std::string file = test.File(std::string(run.what) + "-" + kind.name + ".xls");
        exporting.insert(exporting.end(), {"export", kind.name, file});
        CliResult exported = test.Cli(exporting);
        ASSERT_EQ(exported.status, 0) << kind.name << exported.out << exported.err;
        adjust.insert(adjust.end(), {"--" + kind.name, file});
    }
    CliResult adjusted = test.Cli(adjust);
    ASSERT_EQ(adjusted.status, 0) << adjusted.out << adjusted.err;
    EXPECT_EQ(Lines(adjusted.out).back(), "调整完成");

    for (const Kind& kind : kKinds) {
        const bool contract = kind.entryTable == "t_RPContractEntry";
        std::map<Key, std::map<std::string, Value>> backups;
        RecordsetPtr rows = account.Query("SELECT * FROM " + kind.backupTable);
        ASSERT_TRUE(rows);
        for (const Row& row : rows->Rows()) {
            std::map<std::string, Value> fields;
            for (size_t i = 0; i < row.size(); ++i) fields[rows->FieldNames()[i]] = row[i];
            // Rows of an earlier run kept the rates of that run.
            if (!run.rates.contains(ToText(fields[kind.backupRateColumn]))) continue;
            backups[{static_cast<int64_t>(fields[kind.backupIdColumn].NumberAsDouble()),
                     static_cast<int64_t>(fields["FEntryID"].NumberAsDouble())}] = fields;
        }
        EXPECT_FALSE(backups.empty()) << run.what << ": nothing of " << kind.name << " converted";
        auto after = account.Entries(kind.entryTable, kind.idColumn);
        for (const auto& [key, was] : before[kind.name]) {
            const auto& now = after.at(key);
            const std::string where = std::string(run.what) + " " + kind.name + " " +
                                      std::to_string(key.first) + "/" + std::to_string(key.second);
            if (!backups.contains(key)) {
                EXPECT_EQ(now, was) << where << " changed without a backup";
                continue;
            }
            for (const auto& [column, value] : backups.at(key)) {
                if (value.IsNull()) continue;  // a column the rule does not keep
                EXPECT_EQ(ExactOf(value), ExactOf(was.at(column))) << where << " backup " << column;
            }
            const std::string id = std::to_string(key.first);
            const std::string item = ToText(was.at(contract ? "FProductID" : "FItemID"));
            const std::string header =
                contract ? "t_RPContract" : (kind.name == "po" ? "POOrder" : "SEOrder");
            testing_doubles::LineFacts facts{
                {},
                ExactOf(account
                            .Query("SELECT FExchangeRate FROM " + header + " WHERE " +
                                   kind.idColumn + "=" + id)
                            ->FieldAt(0)),
                static_cast<int>(account.Number(
                    "SELECT FPriceDecimal FROM t_ICItemMaterial WHERE FItemID=" + item)),
                static_cast<int>(
                    account.Number("SELECT c.FScale FROM t_RPContract t INNER JOIN t_Currency c ON "
                                   "c.FCurrencyID=t.FCurrencyID WHERE t.FContractID=" +
                                   id))};
            for (const auto& [column, value] : was) {
                if (value.IsNumber()) facts.values[column] = ExactOf(value);
            }
            const std::string n = run.rates.at(ToText(was.at(kind.rateColumn)));
            const testing_doubles::Figures expected =
                contract ? ExpectedContract(facts, n, true)
                         : ExpectedOrder(kind.name == "so", facts, n, true, false);
            for (const auto& [column, value] : now) {
                auto figure = expected.find(column);
                if (figure == expected.end()) {
                    EXPECT_EQ(value, was.at(column)) << where << " " << column;
                } else {
                    EXPECT_EQ(ExactOf(value).Text(), figure->second.Text())
                        << where << " " << column;
                }
            }
        }
    }
    // Master data: nothing left at the old rates, the defaults at the first new rate.
    for (const auto& [old, n] : run.rates) {
        EXPECT_EQ(account.Number("SELECT COUNT(*) FROM t_ICItemMaterial WHERE FTaxRate=" + old), 0);
        EXPECT_EQ(account.Number("SELECT COUNT(*) FROM t_Supplier WHERE FValueAddRate=" + old), 0);
    }
    RecordsetPtr defaults = account.Query(
        "SELECT FDefaultValue FROM t_ItemPropDesc WHERE FSQLColumnName IN "
        "('FTaxRate','FValueAddRate')");
    ASSERT_TRUE(defaults);
    for (const Row& row : defaults->Rows()) EXPECT_EQ(TextOrEmpty(row[0]), run.firstNewRate);

    const auto snapshot = account.Snapshot();
    CliResult again = test.Cli(adjust);
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(account.Snapshot(), snapshot) << run.what << ": a second run changed the account";
}

TEST_F(CliEndToEnd, ProfileOf2019AfterTheStandardChange) {
    ExportAll();
    std::vector<std::string> standard = {"adjust",      "--17to16",    "--11to10", "--materials",
                                         "--customers", "--suppliers", "--yes"};
    for (const Kind& kind : kKinds)
        standard.insert(standard.end(), {"--" + kind.name, File(kind.name + ".xls")});
    CliResult first = Cli(standard);
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    Account account(db_);
    ExpectProfileRun(*this, account,
                     {"2019", {"--profile", "2019"}, {{"16", "13.0"}, {"10", "9.0"}}, "13"});
}

TEST_F(CliEndToEnd, CustomProfilesOnTheirOwnDemoAccount) {
    const ProfileRun runs[] = {
        {"lower", {"--change", "13:9", "--cutoff", "2026-01-01"}, {{"13", "9.0"}}, "9"},
        {"increase", {"--change", "6:9", "--cutoff", "2026-01-01"}, {{"6", "9.0"}}, "9"},
    };
    for (const ProfileRun& run : runs) {
        SCOPED_TRACE(run.what);
        db_ = File(std::string(run.what) + ".db");
        std::vector<std::string> create = run.profile;
        create.insert(create.end(), {"demo-db", db_});
        ASSERT_EQ(RunCli(create).status, 0);
        Account account(db_);
        EXPECT_GT(account.Number("SELECT COUNT(*) FROM POOrderEntry WHERE FCess=" +
                                 run.rates.begin()->first),
                  0)
            << "the sample carries the profile's old rate";
        ExpectProfileRun(*this, account, run);
    }
}

}  // namespace
}  // namespace q9
