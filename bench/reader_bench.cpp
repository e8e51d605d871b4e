// Reading an edited export back: a full workbook of 16,300 candidate rows as Excel 5.0/95
// (our export), Excel 97-2003 and .xlsx (both saved by LibreOffice from it), each read with
// ReadSheet, against converting the same file to CSV with gnumeric's ssconvert and with
// LibreOffice, in the same run.
//
//   reader_bench [--runs N] [--no-baselines] [--keep]
//     --keep  leave the workbooks in the temporary folder and print where

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "convert/workbook_reader.h"
#include "export/ole2_container.h"
#include "export/workbook_export.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

const std::vector<std::string> kFields = {"FBillNo",    "FSupplyName", "FItemNumber",  "FItemName",
                                          "FAuxQty",    "FAuxPrice",   "FAuxTaxPrice", "FTaxRate",
                                          "FTaxAmount", "FAmount",     "FAllAmount",   "FCommitAmt",
                                          "FInterID",   "FEntryID"};

// Rows shaped like the purchase-order candidates: Chinese names, amounts in cents.
q9::RecordsetPtr MakeRows(int count) {
    std::mt19937 random(20180501);
    const char* partners[] = {"上海宝钢国际贸易有限公司", "北京京东方科技集团股份有限公司",
                              "深圳市华强电子有限公司", "杭州娃哈哈集团有限公司"};
    std::vector<q9::Recordset::Row> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        char bill[32];
        std::snprintf(bill, sizeof bill, "POORD%06d", i / 4 + 1);
        const double quantity = static_cast<double>(random() % 100000) / 100;
        const double price = static_cast<double>(random() % 1000000) / 100;
        const double rate = i % 3 ? 17 : 11;
        const double amount = static_cast<double>(std::llround(quantity * price * 100)) / 100;
        const double tax = static_cast<double>(std::llround(amount * rate)) / 100;
        rows.push_back({q9::Value(std::string(bill)),
                        i % 50 == 0 ? q9::Value::Null() : q9::Value(partners[i % 4]),
                        q9::Value("01.02." + std::to_string(i % 5000)),
                        q9::Value("热轧钢板 Q235B " + std::to_string(i % 300) + "mm"),
                        q9::Value(quantity), q9::Value(price),
                        q9::Value(price * (100 + rate) / 100), q9::Value(rate), q9::Value(tax),
                        q9::Value(amount), q9::Value(amount + tax), q9::Value(0.0),
                        q9::Value(int64_t{1000 + i / 4}), q9::Value(int64_t{i % 4 + 1})});
    }
    return std::make_shared<q9::Recordset>(kFields, std::move(rows));
}

void WriteExport(const fs::path& path, int rowCount) {
    const q9::RecordsetPtr rows = MakeRows(rowCount);
    rows->MoveFirst();
    const std::vector<uint8_t> stream = q9::BuildCandidateBookStream(*rows, "采购订单", 1, 1);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file) throw std::runtime_error("cannot write " + path.string());
    q9::WriteCompoundFile(file.get(), "Book", stream);
}

// Wall time of a shell command, or a negative number when it failed.
double TimeCommand(const std::string& command) {
    const auto start = Clock::now();
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    const double seconds = Seconds(Clock::now() - start);
    return status == 0 ? seconds : -1;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// LibreOffice with a profile of its own, so that it runs beside any other instance.
std::string Soffice(const fs::path& work) {
    return "soffice -env:UserInstallation=file://" + (work / "profile").string() +
           " --headless --norestore";
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Format {
    const char* label;
    fs::path file;
};

// "BIFF5 (our export)" -> "biff5", ".xlsx (LibreOffice)" -> "xlsx".
std::string FormatCode(const std::string& label) {
    std::string code;
    for (char c : label.substr(0, label.find(' '))) {
        if (c != '.') code += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 7;
    bool baselines = true;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (option == "--no-baselines") {
            baselines = false;
        } else if (option == "--keep") {
            keep = true;
        } else {
            std::fprintf(stderr, "usage: reader_bench [--runs N] [--no-baselines] [--keep]\n");
            return 2;
        }
    }
    const int rowCount = q9::kRowsPerWorkbook;
    const fs::path work =
        fs::temp_directory_path() / ("q9-reader-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    int status = 0;
    try {
        const fs::path biff5 = work / "export.xls";
        WriteExport(biff5, rowCount);
        std::vector<Format> formats = {{"BIFF5 (our export)", biff5}};
        if (baselines) {
            const fs::path saved = work / "saved";
            fs::create_directories(saved);
            if (TimeCommand(Soffice(work) + " --convert-to 'xls:MS Excel 97' --outdir " +
                            Quoted(saved) + " " + Quoted(biff5)) >= 0) {
                fs::rename(saved / "export.xls", work / "biff8.xls");
                formats.push_back({"BIFF8 (LibreOffice)", work / "biff8.xls"});
            } else {
                std::fprintf(stderr, "soffice could not save a BIFF8 copy\n");
            }
            if (TimeCommand(Soffice(work) + " --convert-to xlsx --outdir " + Quoted(saved) + " " +
                            Quoted(biff5)) >= 0) {
                formats.push_back({".xlsx (LibreOffice)", saved / "export.xlsx"});
            } else {
                std::fprintf(stderr, "soffice could not save an .xlsx copy\n");
            }
        }

        std::printf("reader_bench: %d data rows x 14 columns, median of %d reads\n", rowCount,
                    runs);
        std::printf("%-22s %10s %10s %12s %10s %12s %10s\n", "format", "bytes", "read ms",
                    "ssconvert ms", "ratio", "soffice ms", "ratio");
        for (const Format& format : formats) {
            std::vector<double> times;
            long records = 0;
            for (int run = 0; run < runs; ++run) {
                const auto start = Clock::now();
                const q9::RecordsetPtr rows = q9::ReadSheet(format.file.string(), "采购订单");
                times.push_back(Seconds(Clock::now() - start));
                records = rows->RecordCount();
            }
            if (records != rowCount + 1) {
                std::fprintf(stderr, "%s: read %ld records, expected %d\n", format.label, records,
                             rowCount + 1);
                status = 1;
            }
            const double read = Median(times);
            double ssconvert = -1;
            double soffice = -1;
            if (baselines) {
                const fs::path out = work / "csv";
                fs::create_directories(out);
                ssconvert = TimeCommand("ssconvert " + Quoted(format.file) + " " +
                                        Quoted(out / "gnumeric.csv"));
                soffice = TimeCommand(Soffice(work) + " --convert-to csv --outdir " + Quoted(out) +
                                      " " + Quoted(format.file));
            }
            auto ratio = [read](double other) { return other > 0 ? other / read : 0.0; };
            std::printf("%-22s %10ju %10.2f %12.1f %9.0fx %12.1f %9.0fx\n", format.label,
                        static_cast<uintmax_t>(fs::file_size(format.file)), read * 1000,
                        ssconvert * 1000, ratio(ssconvert), soffice * 1000, ratio(soffice));
            // Machine-readable figures for bench/run-all.sh.
            const std::string code = FormatCode(format.label);
            std::printf("RESULT reader.%s.rows=%d\nRESULT reader.%s.read_s=%.6f\n", code.c_str(),
                        rowCount, code.c_str(), read);
            if (baselines) {
                std::printf("RESULT reader.%s.ssconvert_s=%.6f\nRESULT reader.%s.soffice_s=%.6f\n",
                            code.c_str(), ssconvert, code.c_str(), soffice);
            }
            if (baselines && (ratio(soffice) < 3 || ratio(ssconvert) < 1)) {
                std::printf(
                    "  below target: at least 3x faster than soffice, not slower than "
                    "ssconvert\n");
                status = 1;
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "reader_bench: %s\n", error.what());
        status = 1;
    }
    if (keep) {
        std::printf("workbooks kept in %s\n", work.c_str());
    } else {
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }
    return status;
}
