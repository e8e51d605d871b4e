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

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/export_handlers.h"
#include "host/context.h"
#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class QuietNotifier : public q9::Notifier {
  public:
    void ShowNotice(const std::string& message) override { last = message; }
    std::string last;
};

class YesPrompter : public q9::Prompter {
  public:
    q9::MessageAnswer Ask(const q9::MessageBoxRequest& request) override {
        if (request.buttons == q9::MessageButtons::Ok) {
            std::fprintf(stderr, "message: %s\n", request.text.c_str());
            failed = true;
            return q9::MessageAnswer::Ok;
        }
        return q9::MessageAnswer::Yes;
    }
    bool failed = false;
};

class NoFiles : public q9::FileChooser {
  public:
    std::string ChooseOpenFile() override { return {}; }
    std::string ChooseSavePath() override { return {}; }
};

class NoPump : public q9::EventPump {
  public:
    void ProcessEvents() override {}
    void ReportProgress(const std::string&, int, int) override {}
};

class NoLog : public q9::DebugLog {
  public:
    void Write(const std::string&) override {}
};

const std::vector<std::string> kFields = {"FBillNo",      "FInterID",   "FEntryID",  "FSupplyName",
                                          "FItemNumber",  "FItemName",  "FAuxQty",   "FAuxPrice",
                                          "FAuxTaxPrice", "FAmount",    "FTaxRate",  "FTaxAmount",
                                          "FAllAmount",   "FCommitQty", "FCommitAmt"};

// Rows shaped like the purchase-order query's: Chinese partner and material names, amounts
// in cents.
q9::RecordsetPtr MakeRows(int count) {
    std::mt19937 random(20180501);
    std::vector<q9::Recordset::Row> rows;
    rows.reserve(static_cast<size_t>(count));
    const char* partners[] = {"上海宝钢国际贸易有限公司", "北京京东方科技集团股份有限公司",
                              "深圳市华强电子有限公司", "杭州娃哈哈集团有限公司"};
    for (int i = 0; i < count; ++i) {
        char bill[32];
        std::snprintf(bill, sizeof bill, "POORD%06d", i / 4 + 1);
        const double quantity = static_cast<double>(random() % 100000) / 100;
        const double price = static_cast<double>(random() % 1000000) / 100;
        const int64_t rate = i % 3 ? 17 : 11;
        const double amount = static_cast<double>(std::llround(quantity * price * 100)) / 100;
        const double tax = static_cast<double>(std::llround(amount * rate)) / 100;
        rows.push_back({q9::Value(std::string(bill)), q9::Value(int64_t{1000 + i / 4}),
                        q9::Value(int64_t{i % 4 + 1}),
                        i % 50 == 0 ? q9::Value::Null() : q9::Value(partners[i % 4]),
                        q9::Value("01.02." + std::to_string(i % 5000)),
                        q9::Value("热轧钢板 Q235B " + std::to_string(i % 300) + "mm"),
                        q9::Value(quantity), q9::Value(price),
                        q9::Value(price * static_cast<double>(100 + rate) / 100), q9::Value(amount),
                        q9::Value(rate), q9::Value(tax), q9::Value(amount + tax),
                        q9::Value(int64_t{0}), q9::Value(0.0)});
    }
    return std::make_shared<q9::Recordset>(kFields, std::move(rows));
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

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
        q9::CandidateQuery(q9::DocumentKind::PurchaseOrder, "2018-05-01", false), &error);
    *querySeconds = Seconds(Clock::now() - start);
    if (!all) throw std::runtime_error("candidate query failed: " + error.description);
    if (all->RecordCount() < count) {
        throw std::runtime_error("the demo account has only " + std::to_string(all->RecordCount()) +
                                 " candidates");
    }
    std::vector<q9::Recordset::Row> rows(all->Rows().begin(), all->Rows().begin() + count);
    return std::make_shared<q9::Recordset>(all->FieldNames(), std::move(rows));
}

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct ExportRun {
    double seconds = 0;
    bool ok = false;
};

ExportRun ExportRows(const q9::RecordsetPtr& rows, const fs::path& folder) {
    QuietNotifier notifier;
    YesPrompter prompter;
    NoFiles files;
    NoPump pump;
    NoLog log;
    q9::Gateway gateway(std::shared_ptr<q9::DatabaseEngine>{});
    q9::Texts texts([] { return std::string("chs"); }, notifier);
    q9::WindowState state;
    state.currentRecordset = rows;
    rows->MoveFirst();
    q9::CoreContext context{gateway, texts, prompter, files, pump, log, state};
    const auto start = Clock::now();
    const bool ok = q9::WriteToExcel(context, folder.string() + "/", "po.xls", "采购订单");
    return {Seconds(Clock::now() - start), ok && !prompter.failed};
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

// Wall time of a shell command, or a negative number when it failed.
double TimeCommand(const std::string& command) {
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(Clock::now() - start);
    return status == 0 ? seconds : -1;
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
    std::random_device seed;
    const fs::path work = fs::temp_directory_path() / ("q9-export-bench-" + std::to_string(seed()));
    fs::create_directories(work);

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
                work.c_str());
    std::printf("%8s %10s %10s %10s %9s %12s %11s %11s\n", "rows", "query ms", "export ms",
                "workbooks", "MiB", "rows/s", "RSS before", "peak RSS");
    double ours16300 = 0;
    q9::RecordsetPtr rows16300;
    for (int count : {16300, 100000}) {
        double querySeconds = 0;
        q9::RecordsetPtr rows;
        try {
            rows = inMemory ? MakeRows(count) : QueryRows(count, work, &querySeconds);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        const long rssBefore = PeakRssKiB();
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
                    static_cast<double>(bytes) / (1 << 20), count / best.seconds,
                    static_cast<double>(rssBefore) / 1024,
                    static_cast<double>(PeakRssKiB()) / 1024);
        std::printf("RESULT export.%d.seconds=%.6f\nRESULT export.%d.workbooks=%d\n", count,
                    best.seconds, count, workbooks);
        std::printf("RESULT export.%d.peak_rss_mib=%.1f\n", count,
                    static_cast<double>(PeakRssKiB()) / 1024);
        if (count == 16300) {
            ours16300 = best.seconds;
            rows16300 = rows;
        }
    }

    if (baselines) {
        const fs::path csv = work / "rows.csv";
        WriteCsv(*rows16300, csv);
        const double gnumeric = TimeCommand(
            "WINDOWS_LANGUAGE=zh_CN ssconvert --export-type=Gnumeric_Excel:excel_biff7 '" +
            csv.string() + "' '" + (work / "gnumeric.xls").string() + "' >/dev/null 2>&1");
        const double libreoffice =
            TimeCommand("soffice -env:UserInstallation=file://" + (work / "lo-profile").string() +
                        " --headless --infilter=CSV:44,34,76,1 --convert-to xls --outdir '" +
                        (work / "lo").string() + "' '" + csv.string() + "' >/dev/null 2>&1");
        std::printf("\nThe same 16300 rows from CSV (wall time, one run each):\n");
        auto line = [&](const char* name, double seconds) {
            if (seconds < 0) {
                std::printf("  %-52s failed\n", name);
            } else {
                std::printf("  %-52s %9.0f ms   ours is %6.0fx faster\n", name, seconds * 1000,
                            seconds / ours16300);
            }
        };
        std::printf("RESULT export.ssconvert_s=%.6f\nRESULT export.soffice_s=%.6f\n", gnumeric,
                    libreoffice);
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
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return 0;
}
