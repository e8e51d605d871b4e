// Export of candidate rows to Excel 5.0/95 workbooks: time, rows per second and peak memory,
// against what an operator could use instead on this machine (gnumeric's and LibreOffice's
// converters, from CSV of the same rows).
//
// The rows come from the embedded engine: a demo account is generated with enough purchase-order
// lines, the purchase-order candidate query runs on it, and its first N rows are exported.
//
//   export_bench [--in-memory] [--no-baselines]
//     --in-memory     generate the rows in memory instead (no account database)
//     --no-baselines  skip gnumeric and LibreOffice

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "export/candidate_queries.h"
#include "export/export_handlers.h"
#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"

namespace {

namespace fs = std::filesystem;
using q9::bench::Clock;
using q9::bench::SecondsSince;

// The first `count` purchase-order candidates of a generated demo account; about seven in ten
// generated lines are candidates.
q9::RecordsetPtr QueryRows(int count, const fs::path& work, double* querySeconds) {
    const fs::path account = work / ("demo-" + std::to_string(count) + ".db");
    q9::DemoAccountOptions options;
    options.generatedEntries = count + count / 2;
    q9::CreateDemoAccount(account.string(), options);
    q9::Gateway gateway(q9::OpenSqliteEngine(account.string()));
    const auto start = Clock::now();
    q9::Error error;
    const q9::RecordsetPtr all = gateway.TryOpenRecordset(
        q9::CandidateQuery(q9::DocumentKind::PurchaseOrder, q9::StandardRateProfile(), false),
        &error);
    *querySeconds = SecondsSince(start);
    if (!all) throw std::runtime_error("candidate query failed: " + error.description);
    if (all->RecordCount() < count) {
        throw std::runtime_error("the demo account has only " + std::to_string(all->RecordCount()) +
                                 " candidates");
    }
    std::vector<q9::Recordset::Row> rows(all->Rows().begin(), all->Rows().begin() + count);
    return std::make_shared<q9::Recordset>(all->FieldNames(), std::move(rows));
}

struct ExportRun {
    double seconds = 0;
    bool ok = false;
};

ExportRun ExportRows(const q9::RecordsetPtr& rows, const fs::path& folder) {
    q9::bench::QuietCore core(nullptr);
    core.state.currentRecordset = rows;
    rows->MoveFirst();
    const auto start = Clock::now();
    const bool ok =
        q9::WriteToExcel(core.context, folder.string() + "/", "po.xls", "采购订单").written();
    return {SecondsSince(start), ok && core.prompter.messages == 0};
}

std::string CsvField(const q9::Value& value) {
    if (value.IsNull()) return {};
    std::string text = q9::ToText(value);
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

void WriteCsv(const q9::Recordset& rows, const fs::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << "单据编号,客户名称,物料代码,物料名称,数量,单价,含税单价,税率,税额,金额,价税合计,"
           "关联金额,单据内码,单据分录\n";
    const char* columns[] = {"FBillNo",    "FSupplyName",  "FItemNumber", "FItemName",  "FAuxQty",
                             "FAuxPrice",  "FAuxTaxPrice", "FTaxRate",    "FTaxAmount", "FAmount",
                             "FAllAmount", "FCommitAmt",   "FInterID",    "FEntryID"};
    for (const q9::Recordset::Row& row : rows.Rows()) {
        for (size_t c = 0; c < 14; ++c) {
            if (c) out << ',';
            out << CsvField(row[static_cast<size_t>(rows.FieldIndex(columns[c]))]);
        }
        out << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool baselines = true;
    bool inMemory = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--no-baselines") {
            baselines = false;
        } else if (option == "--in-memory") {
            inMemory = true;
        } else {
            std::fprintf(stderr, "usage: export_bench [--in-memory] [--no-baselines]\n");
            return 2;
        }
    }
    const q9::bench::WorkFolder work("q9-export-bench");

#ifdef NDEBUG
    const char* build = "optimised build";
#else
    const char* build = "UNOPTIMISED build: configure with -DCMAKE_BUILD_TYPE=Release";
#endif
    std::printf(
        "Export of purchase-order candidates to Excel 5.0/95 workbooks, %d rows per "
        "workbook (%s)\n",
        16300, build);
    std::printf("Rows: %s; time is the best of 5 exports into a temporary folder (%s)\n\n",
                inMemory ? "generated in memory" : "candidate query on a generated demo account",
                work.path().c_str());
    std::printf("%8s %10s %10s %10s %9s %12s %11s %11s\n", "rows", "query ms", "export ms",
                "workbooks", "MiB", "rows/s", "RSS before", "peak RSS");
    double ours16300 = 0;
    q9::RecordsetPtr rows16300;
    for (int count : {16300, 100000}) {
        double querySeconds = 0;
        q9::RecordsetPtr rows;
        try {
            rows = inMemory ? q9::bench::MakeCandidateRows(count)
                            : QueryRows(count, work.path(), &querySeconds);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        const double rssBefore = q9::bench::PeakRssMiB();
        const fs::path folder = work / std::to_string(count);
        fs::create_directories(folder);
        ExportRun best{1e9, true};
        for (int repeat = 0; repeat < 5; ++repeat) {
            const ExportRun run = ExportRows(rows, folder);
            if (!run.ok) {
                std::fprintf(stderr, "export of %d rows failed\n", count);
                return 1;
            }
            best.seconds = std::min(best.seconds, run.seconds);
        }
        uintmax_t bytes = 0;
        int workbooks = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            bytes += entry.file_size();
            ++workbooks;
        }
        std::printf("%8d %10.1f %10.2f %10d %9.2f %12.0f %9.1f M %9.1f M\n", count,
                    querySeconds * 1000, best.seconds * 1000, workbooks,
                    static_cast<double>(bytes) / (1 << 20), count / best.seconds, rssBefore,
                    q9::bench::PeakRssMiB());
        const std::string figure = "export." + std::to_string(count) + ".";
        q9::bench::ReportSeconds(figure + "seconds", best.seconds);
        q9::bench::ReportCount(figure + "workbooks", workbooks);
        q9::bench::ReportMiB(figure + "peak_rss_mib", q9::bench::PeakRssMiB());
        if (count == 16300) {
            ours16300 = best.seconds;
            rows16300 = rows;
        }
    }

    if (baselines) {
        const fs::path csv = work / "rows.csv";
        WriteCsv(*rows16300, csv);
        const double gnumeric = q9::bench::TimeCommand(
            "WINDOWS_LANGUAGE=zh_CN ssconvert --export-type=Gnumeric_Excel:excel_biff7 " +
            q9::bench::Quoted(csv) + " " + q9::bench::Quoted(work / "gnumeric.xls"));
        const double libreoffice =
            q9::bench::TimeCommand(q9::bench::SofficeCommand(work / "lo-profile") +
                                   " --infilter=CSV:44,34,76,1 --convert-to xls --outdir " +
                                   q9::bench::Quoted(work / "lo") + " " + q9::bench::Quoted(csv));
        std::printf("\nThe same 16300 rows from CSV (wall time, one run each):\n");
        auto line = [&](const char* name, double seconds) {
            if (seconds < 0) {
                std::printf("  %-52s failed\n", name);
            } else {
                std::printf("  %-52s %9.0f ms   ours is %6.0fx faster\n", name, seconds * 1000,
                            seconds / ours16300);
            }
        };
        q9::bench::ReportSeconds("export.ssconvert_s", gnumeric);
        q9::bench::ReportSeconds("export.soffice_s", libreoffice);
        line("ssconvert --export-type=Gnumeric_Excel:excel_biff7", gnumeric);
        line("soffice --headless --convert-to xls (BIFF8)", libreoffice);
        double fastest = 1e30;
        if (gnumeric > 0) fastest = std::min(fastest, gnumeric);
        if (libreoffice > 0) fastest = std::min(fastest, libreoffice);
        if (fastest < 1e30) {
            const double ratio = fastest / ours16300;
            std::printf("  against the faster of the two: %.0fx (target 30x): %s\n", ratio,
                        ratio >= 30 ? "met" : "NOT met");
        }
    }
    return 0;
}
