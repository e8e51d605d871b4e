#include "bench_support.h"

#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <system_error>

namespace q9::bench {

void QuietNotifier::ShowNotice(const std::string& message) {
    if (echo_) std::fprintf(stderr, "notice: %s\n", message.c_str());
}

MessageAnswer QuietPrompter::Ask(const MessageBoxRequest& request) {
    if (request.buttons != MessageButtons::Ok) return MessageAnswer::Yes;
    std::fprintf(stderr, "message: %s\n", request.text.c_str());
    ++messages;
    return MessageAnswer::Ok;
}

QuietCore::QuietCore(std::shared_ptr<DatabaseEngine> engine, bool echoNotices)
    : notifier(echoNotices),
      texts([] { return std::string("chs"); }, notifier),
      gateway(std::move(engine)) {}

RecordsetPtr MakeCandidateRows(int count) {
    static const std::vector<std::string> kFields = {
        "FBillNo",   "FInterID",   "FEntryID",   "FSupplyName",  "FItemNumber",
        "FItemName", "FAuxQty",    "FAuxPrice",  "FAuxTaxPrice", "FAmount",
        "FTaxRate",  "FTaxAmount", "FAllAmount", "FCommitQty",   "FCommitAmt"};
    const char* partners[] = {"上海宝钢国际贸易有限公司", "北京京东方科技集团股份有限公司",
                              "深圳市华强电子有限公司", "杭州娃哈哈集团有限公司"};
    std::mt19937 random(20180501);
    std::vector<Recordset::Row> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        char bill[32];
        std::snprintf(bill, sizeof bill, "POORD%06d", i / 4 + 1);
        const double quantity = static_cast<double>(random() % 100000) / 100;
        const double price = static_cast<double>(random() % 1000000) / 100;
        const int64_t rate = i % 3 ? 17 : 11;
        const double amount = static_cast<double>(std::llround(quantity * price * 100)) / 100;
        const double tax = static_cast<double>(std::llround(amount * rate)) / 100;
        rows.push_back(
            {Value(std::string(bill)), Value(int64_t{1000 + i / 4}), Value(int64_t{i % 4 + 1}),
             i % 50 == 0 ? Value::Null() : Value(partners[i % 4]),
             Value("01.02." + std::to_string(i % 5000)),
             Value("热轧钢板 Q235B " + std::to_string(i % 300) + "mm"), Value(quantity),
             Value(price), Value(price * static_cast<double>(100 + rate) / 100), Value(amount),
             Value(rate), Value(tax), Value(amount + tax), Value(int64_t{0}), Value(0.0)});
    }
    return std::make_shared<Recordset>(kFields, std::move(rows));
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeCommand(const std::string& command) {
    const auto start = Clock::now();
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    const double seconds = SecondsSince(start);
    return status == 0 ? seconds : -1;
}

std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

std::string SofficeCommand(const std::filesystem::path& profile) {
    return "soffice -env:UserInstallation=file://" + profile.string() + " --headless";
}

WorkFolder::WorkFolder(const std::string& stem) {
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create " + pattern);
    path_ = pattern;
}

WorkFolder::~WorkFolder() {
    if (keep_) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void ReportCount(const std::string& name, long long count) {
    std::printf("RESULT %s=%lld\n", name.c_str(), count);
}

void ReportSeconds(const std::string& name, double seconds) {
    std::printf("RESULT %s=%.6f\n", name.c_str(), seconds);
}

void ReportMiB(const std::string& name, double mebibytes) {
    std::printf("RESULT %s=%.1f\n", name.c_str(), mebibytes);
}

}  // namespace q9::bench
