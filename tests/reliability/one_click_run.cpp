#include "reliability/one_click_run.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <set>

#include "convert/row_loop.h"
#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"
#include "host/session.h"
#include "host/tool_session.h"
#include "jobs/export_candidates.h"
#include "jobs/startup.h"
#include "reliability/fault_engine.h"
#include "workbook/sheet_reader.h"

namespace q9::reliability {

namespace {

std::string& WorkbookBox(WindowState& state, DocumentKind kind) {
    return state.*ConversionKindOf(kind).pathBox;
}

// A second connection to the account with its write lock taken; released when it goes.
class WriteLockHolder {
  public:
    explicit WriteLockHolder(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        locked_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~WriteLockHolder() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    WriteLockHolder(const WriteLockHolder&) = delete;
    WriteLockHolder& operator=(const WriteLockHolder&) = delete;
    bool locked() const { return locked_; }

  private:
    sqlite3* db_ = nullptr;
    bool locked_ = false;
};

}  // namespace

const std::string& DemoSamplePath(bool discountIncludesTax) {
    static testing::TempFolder folder("q9-sample");
    static const std::string plain = [] {
        std::string file = folder.File("sample.db");
        CreateDemoAccount(file, DemoAccountOptions{});
        return file;
    }();
    static const std::string withSwitch = [] {
        std::string file = folder.File("sample-discount-includes-tax.db");
        DemoAccountOptions options;
        options.discountIncludeTaxOn = true;
        CreateDemoAccount(file, options);
        // An account the tool has opened before: its backup tables exist.
        (void)OpenSqliteEngine(file)->Execute(BackupTablesBatch());
        return file;
    }();
    return discountIncludesTax ? withSwitch : plain;
}

std::string TableRows::Cell(int64_t rowid, const std::string& column) const {
    auto row = rows.find(rowid);
    auto at = std::find(columns.begin(), columns.end(), column);
    if (row == rows.end() || at == columns.end()) return "?";
    return row->second[static_cast<size_t>(at - columns.begin())];
}

AccountSnapshot Snapshot(const std::string& databasePath) {
    AccountSnapshot snapshot;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databasePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return snapshot;
    }
    std::vector<std::string> tables;
    sqlite3_stmt* list = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &list, nullptr);
    while (sqlite3_step(list) == SQLITE_ROW) {
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
    }
    sqlite3_finalize(list);
    for (const std::string& table : tables) {
        TableRows& rows = snapshot[table];
        sqlite3_stmt* select = nullptr;
        const std::string sql = "SELECT rowid, * FROM \"" + table + "\"";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &select, nullptr) != SQLITE_OK) continue;
        for (int c = 1; c < sqlite3_column_count(select); ++c) {
            rows.columns.emplace_back(sqlite3_column_name(select, c));
        }
        while (sqlite3_step(select) == SQLITE_ROW) {
            std::vector<std::string> values;
            for (int c = 1; c < sqlite3_column_count(select); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(select, c));
                values.emplace_back(sqlite3_column_type(select, c) == SQLITE_NULL ? "NULL" : text);
            }
            rows.rows[sqlite3_column_int64(select, 0)] = std::move(values);
        }
        sqlite3_finalize(select);
    }
    sqlite3_close(db);
    return snapshot;
}

std::unique_ptr<OneClickRun> RunOneClick(const OneClickPlan& plan) {
    auto run = std::make_unique<OneClickRun>();
    run->databasePath = run->folder.File("account.db");
    std::filesystem::copy_file(DemoSamplePath(plan.discountIncludesTax), run->databasePath);

    SharedPropertyStore::Instance().Clear();
    testing::RecordingNotifier notifier(run->events);
    LoginOptions login;
    login.databaseUrl = "sqlite:" + run->databasePath;
    login.userName = "tester";
    login.language = "chs";
    login.accountsFile = run->folder.File("accounts.ini");
    login.demoDatabasePath = run->folder.File("demo.db");
    ToolSession tool(login, notifier);
    auto engine = std::make_shared<FaultEngine>(OpenSqliteEngine(run->databasePath));
    if (plan.mode == FaultMode::FailOne) engine->FailStatement(plan.statement);
    if (plan.mode == FaultMode::DropConnection) engine->DropConnectionFrom(plan.statement);
    if (plan.mode == FaultMode::FailOneKeepingPartialWork) {
        engine->FailStatement(plan.statement);
        engine->KeepPartialWork();
    }
    if (plan.mode == FaultMode::LoseGroupCommit) {
        engine->LoseGroupCommit(plan.statement, ErrorKind::Statement);
    }
    if (plan.mode == FaultMode::LoseGroupCommitWithTheConnection) {
        engine->LoseGroupCommit(plan.statement, ErrorKind::Unavailable);
    }
    tool.SetEngine(engine);

    WindowState state;
    run->startup = RunStartupSequence(tool, state);
    if (run->startup.failure)
        run->events.push_back("box " + run->startup.failure->error.NumberAndDescription());
    // The window stays open after a failed start-up; a refused login closes it.
    if (!run->startup.loginRefused()) {
        testing::RecordingPrompter prompter(run->events);
        testing::ScriptedFileChooser files;
        testing::CountingPump pump(run->events);
        testing::MemoryLog log;
        CoreContext context{tool.gateway(), tool.texts(), prompter, files, pump, log, state};
        for (DocumentKind kind : kAllDocumentKinds) {
            files.savePath = run->folder.File(KindText(kind) + ".xls");
            run->exports.push_back(ExportCandidates(context, kind));
            if (run->exports.back().written()) {
                run->workbooks[kind] = files.savePath;
                WorkbookBox(state, kind) = files.savePath;
            }
        }
        state.chk17 = state.chk11 = CheckValue::Checked;
        if (plan.masterData == MasterDataBoxes::Ticked) {
            state.chkItem = state.chkCust = state.chkSupply = CheckValue::Checked;
        }
        state.adjustmentRule = plan.inclusiveRule ? AdjustmentRule::KeepTaxInclusivePrice
                                                  : AdjustmentRule::KeepTaxExclusivePrice;
        testing::RecordingDisplayFactory displays(run->events);
        std::optional<WriteLockHolder> lock;
        if (plan.lock == AccountLock::HeldElsewhereDuringAdjustment) {
            run->beforeAdjustment = Snapshot(run->databasePath);
            lock.emplace(run->databasePath);
            if (!lock->locked()) run->events.push_back("the write lock could not be taken");
        }
        run->summary = FixClicked(context, displays);
        run->fixed = run->summary.completed();
    }
    run->statements = engine->statements();
    run->groups = engine->groups();
    run->lostGroups = engine->lostGroups();
    run->injected = engine->injected();
    run->sent = engine->sent();
    SharedPropertyStore::Instance().Clear();
    return run;
}

std::vector<WorkbookLine> WorkbookLines(const std::string& path, DocumentKind kind) {
    std::vector<WorkbookLine> lines;
    RecordsetPtr rows = ReadSheet(path, KindText(kind));
    if (rows->RecordCount() > 0) rows->MoveNext();
    for (; !rows->Eof(); rows->MoveNext()) {
        WorkbookLine line;
        line.first = TextOrEmpty(rows->Field("F1")) + " 分录:" + TextOrEmpty(rows->Field("F14"));
        line.key = {ToInt32(rows->Field("F13")), ToInt32(rows->Field("F14"))};
        lines.push_back(line);
    }
    return lines;
}

}  // namespace q9::reliability
