// Conversion of entry lines by the row loop as a one-click run does it (candidacy, check query,
// then backup, rewrite and run journal in one transaction per line) against one set-based
// UPDATE of the same lines, on generated embedded accounts.
//
//   convert_bench [--dry-run] [SIZE...]
//       entries per kind (default 10000 100000; 1000000 for the large run). --dry-run runs the
//       lines as the preview does: every statement inside one transaction that is rolled back,
//       with the list of changes kept.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "commit_floor.h"
#include "convert/contract_sql.h"
#include "convert/order_sql.h"
#include "convert/row_loop.h"
#include "export/candidate_queries.h"
#include "export/export_handlers.h"
#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"
#include "jobs/startup.h"
#include "journal/dry_run.h"
#include "journal/journal_sql.h"
#include "journal/recorded_run.h"

namespace {

namespace fs = std::filesystem;
using q9::bench::Clock;
using q9::bench::SecondsSince;

class CountingDisplay : public q9::ResultDisplay {
  public:
    void SetWidth(int16_t) override {}
    void SetCols(int16_t) override {}
    void SetTitles(const std::string&) override {}
    void SetColWidth(int16_t, int16_t) override {}
    void Add(const std::string& text) override {
        if (++added == 1) std::fprintf(stderr, "first listed row: %s\n", text.c_str());
    }
    void Show(int16_t) override {}
    int added = 0;
};

// Names a kind in the machine-readable RESULT lines.
const char* KindCode(q9::DocumentKind kind) {
    switch (kind) {
        case q9::DocumentKind::PurchaseOrder:
            return "po";
        case q9::DocumentKind::SalesOrder:
            return "so";
        case q9::DocumentKind::PayableContract:
            return "payable";
        case q9::DocumentKind::ReceivableContract:
            return "receivable";
    }
    return "?";
}

// Candidate rows in the shape the workbook reader gives: title row, then F1…F14.
q9::RecordsetPtr SheetOfCandidates(q9::Gateway& gateway, q9::DocumentKind kind) {
    q9::Error error;
    q9::RecordsetPtr candidates = gateway.TryOpenRecordset(
        q9::CandidateQuery(kind, q9::StandardRateProfile(), false), &error);
    if (!candidates) {
        std::fprintf(stderr, "candidate query failed: %s\n", error.description.c_str());
        std::exit(1);
    }
    std::vector<std::string> names;
    for (int i = 1; i <= 14; ++i) names.push_back("F" + std::to_string(i));
    std::vector<q9::Recordset::Row> rows;
    rows.emplace_back(14);
    const int bill = candidates->FieldIndex("FBillNo"), rate = candidates->FieldIndex("FTaxRate"),
              id = candidates->FieldIndex("FInterID"), entry = candidates->FieldIndex("FEntryID");
    rows.reserve(candidates->Rows().size() + 1);
    for (const q9::Recordset::Row& c : candidates->Rows()) {
        q9::Recordset::Row row(14);
        row[0] = c[bill];
        row[7] = c[rate];
        row[12] = c[id];
        row[13] = c[entry];
        rows.push_back(std::move(row));
    }
    return std::make_shared<q9::Recordset>(names, std::move(rows));
}

// Every entry at the old rate in one statement pair per rate, as a set-based tool would do it.
double SetBasedSeconds(q9::DatabaseEngine& engine, q9::DocumentKind kind) {
    const auto start = Clock::now();
    constexpr q9::AdjustmentRule kRule = q9::AdjustmentRule::KeepTaxInclusivePrice;
    for (const q9::RateChange& n : q9::StandardRateProfile().changes) {
        q9::LineStatements line = kind == q9::DocumentKind::PurchaseOrder
                                      ? q9::PurchaseOrderLineStatements(0, 0, n, kRule, false)
                                  : kind == q9::DocumentKind::SalesOrder
                                      ? q9::SalesOrderLineStatements(0, 0, n, kRule, false)
                                      : q9::ContractLineStatements(0, 0, n, kRule);
        for (std::string* text : {&line.backupInsert, &line.update}) {
            for (const char* key :
                 {"(te.FInterID= 0 AND te.FEntryID=0)", "(te.FContractID= 0 AND te.FEntryID=0)"}) {
                if (size_t at = text->find(key); at != std::string::npos) {
                    text->replace(at, std::string(key).size(), "(1=1)");
                }
            }
        }
        q9::Outcome outcome = engine.ExecuteAtomic({line.backupInsert, line.update});
        if (!outcome.ok())
            std::fprintf(stderr, "set-based: %s\n", outcome.error.description.c_str());
    }
    return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    bool dryRun = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--dry-run") {
            dryRun = true;
        } else {
            sizes.push_back(std::atoi(argv[i]));
        }
    }
    if (sizes.empty()) sizes = {10000, 100000};
    const std::string figures = dryRun ? "dryrun." : "convert.";
    const q9::bench::WorkFolder folder("q9-convert-bench");
    std::map<int, std::map<q9::DocumentKind, double>> loopSeconds;

    std::printf("%-8s %-10s %8s %10s %12s %10s %8s\n", "lines", "kind", "loop s", "lines/s",
                "set-based s", "lines/s", "ratio");
    for (int size : sizes) {
        const fs::path loopDb = folder / ("loop-" + std::to_string(size) + ".db");
        const fs::path setDb = folder / ("set-" + std::to_string(size) + ".db");
        const fs::path floorDb = folder / ("floor-" + std::to_string(size) + ".db");
        q9::DemoAccountOptions options;
        options.generatedEntries = size;
        q9::CreateDemoAccount(loopDb.string(), options);
        fs::copy_file(loopDb, setDb);
        if (!dryRun) {
            fs::copy_file(loopDb, floorDb);
            std::shared_ptr<q9::DatabaseEngine> floorEngine =
                q9::OpenSqliteEngine(floorDb.string());
            floorEngine->Execute(q9::BackupTablesBatch());
            floorEngine->ExecuteAtomic({q9::JournalTablesBatch()});
        }

        std::shared_ptr<q9::DatabaseEngine> engine = q9::OpenSqliteEngine(loopDb.string());
        std::shared_ptr<q9::DatabaseEngine> setEngine = q9::OpenSqliteEngine(setDb.string());
        engine->Execute(q9::BackupTablesBatch());
        engine->ExecuteAtomic({q9::JournalTablesBatch()});
        setEngine->Execute(q9::BackupTablesBatch());

        q9::bench::QuietCore core(engine, /*echoNotices=*/true);
        core.state.chk17 = q9::CheckValue::Checked;
        core.state.chk11 = q9::CheckValue::Checked;
        // One run over the four kinds, journaled as a real one-click run is, or recorded with
        // its list of changes inside the rolled-back transaction as the preview is.
        const auto convertAll = [&](q9::CoreContext& context) {
            q9::RecordedRun run(context,
                                dryRun ? q9::ChangeList::Wanted : q9::ChangeList::NotWanted,
                                dryRun ? q9::RunJournal::None : q9::RunJournal::AsTheAccountKeeps);
            if (!run.lookedUp().ok() || !context.recorder ||
                (!dryRun && context.recorder->mode() != q9::JournalMode::Write)) {
                std::fprintf(stderr, "the run is not recorded\n");
                std::exit(1);
            }
            for (q9::DocumentKind kind : q9::kAllDocumentKinds) {
                // One workbook in memory at a time, as a run reads them; read through the run's
                // context, the only one that may call inside the preview's transaction.
                q9::RecordsetPtr sheet = SheetOfCandidates(context.gateway, kind);
                const int lines = sheet->RecordCount() - 1;
                CountingDisplay display;
                const double cpuStart = q9::bench::CpuSeconds();
                const auto start = Clock::now();
                q9::ConversionOutcome summary =
                    q9::ConvertRows(context, display, q9::ConversionKindOf(kind), sheet);
                const double loop = SecondsSince(start);
                const double loopCpu = q9::bench::CpuSeconds() - cpuStart;
                loopSeconds[size][kind] = loop;
                const double set = kind == q9::DocumentKind::ReceivableContract
                                       ? 0  // the payable run already rewrote every contract line
                                       : SetBasedSeconds(*setEngine, kind);
                std::printf(
                    "%-8d %-10s %8.2f %10.0f %12.3f %10.0f %8.1f   (converted %d, listed %d)\n",
                    lines, q9::KindText(kind).c_str(), loop, lines / loop, set,
                    set > 0 ? lines / set : 0.0, set > 0 ? loop / set : 0.0, summary.converted,
                    summary.listed);
                const std::string figure =
                    figures + std::to_string(size) + "." + KindCode(kind) + ".";
                q9::bench::ReportCount(figure + "lines", lines);
                q9::bench::ReportSeconds(figure + "loop_s", loop);
                q9::bench::ReportCount(figure + "converted", summary.converted);
                q9::bench::ReportSeconds(figure + "loop_cpu_s", loopCpu);
                if (set > 0) q9::bench::ReportSeconds(figure + "set_based_s", set);
                std::fflush(stdout);
            }
            if (const q9::Outcome ended = run.Finish(); !ended.ok() && !dryRun)
                std::fprintf(stderr, "run not marked done: %s\n", ended.error.description.c_str());
        };
        if (dryRun) {
            q9::RunWithoutWriting(core.context, convertAll);
        } else {
            convertAll(core.context);
            q9::bench::CommitFloor floor(loopDb, floorDb);
            for (q9::DocumentKind kind : q9::kAllDocumentKinds) {
                int lines = 0;
                const double seconds = floor.Replay(q9::KindText(kind), lines);
                std::printf("%-8d %-10s floor %.3f s for %d lines (%.1f us a line)\n", size,
                            q9::KindText(kind).c_str(), seconds, lines,
                            lines ? seconds * 1e6 / lines : 0.0);
                const std::string figure =
                    figures + std::to_string(size) + "." + KindCode(kind) + ".";
                q9::bench::ReportSeconds(figure + "floor_s", seconds);
                q9::bench::ReportCount(figure + "floor_lines", lines);
            }
            // A floor that wrote other rows than the run would bound nothing.
            if (const auto differs = floor.FirstDifference()) {
                std::fprintf(stderr, "floor: %lld rows of %s differ from the run's\n",
                             differs->rows, differs->table.c_str());
                return 1;
            }
        }
        fs::remove(loopDb);
        fs::remove(setDb);
        fs::remove(floorDb);
    }
    for (auto small = loopSeconds.begin(), large = std::next(small);
         small != loopSeconds.end() && large != loopSeconds.end(); ++small, ++large) {
        for (q9::DocumentKind kind : q9::kAllDocumentKinds) {
            std::printf("%d/%d time ratio %s: %.2f (linear: %.0f)\n", large->first, small->first,
                        q9::KindText(kind).c_str(), large->second[kind] / small->second[kind],
                        static_cast<double>(large->first) / small->first);
        }
    }
    const double peak = q9::bench::PeakRssMiB();
    std::printf("peak memory: %.1f MiB (target < 150 MiB at 100000)\n", peak);
    q9::bench::ReportMiB(figures + "peak_rss_mib", peak);
    return 0;
}
