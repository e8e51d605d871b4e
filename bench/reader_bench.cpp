// Reading an edited export back: a full workbook of 16,300 candidate rows as Excel 5.0/95
// (our export), Excel 97-2003 and .xlsx (both saved by LibreOffice from it), each read with
// ReadSheet, against converting the same file to CSV with gnumeric's ssconvert and with
// LibreOffice, in the same run.
//
//   reader_bench [--runs N] [--no-baselines] [--keep]
//     --keep  leave the workbooks in the temporary folder and print where

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "export/workbook_export.h"
#include "workbook/compound_file_writer.h"
#include "workbook/sheet_reader.h"

namespace {

namespace fs = std::filesystem;
using q9::bench::Clock;
using q9::bench::Quoted;
using q9::bench::SecondsSince;
using q9::bench::TimeCommand;

void WriteExport(const fs::path& path, int rowCount) {
    const q9::RecordsetPtr rows = q9::bench::MakeCandidateRows(rowCount);
    rows->MoveFirst();
    const std::vector<uint8_t> stream = q9::BuildCandidateBookStream(*rows, "采购订单", 1, 1);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file) throw std::runtime_error("cannot write " + path.string());
    q9::WriteCompoundFile(file.get(), "Book", stream);
}

// LibreOffice on a profile in the work folder.
std::string Soffice(const fs::path& work) {
    return q9::bench::SofficeCommand(work / "profile") + " --norestore";
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
    q9::bench::WorkFolder folder("q9-reader-bench");
    const fs::path& work = folder.path();
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
                times.push_back(SecondsSince(start));
                records = rows->RecordCount();
            }
            if (records != rowCount + 1) {
                std::fprintf(stderr, "%s: read %ld records, expected %d\n", format.label, records,
                             rowCount + 1);
                status = 1;
            }
            const double read = q9::bench::Median(times);
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
            const std::string figure = "reader." + FormatCode(format.label) + ".";
            q9::bench::ReportCount(figure + "rows", rowCount);
            q9::bench::ReportSeconds(figure + "read_s", read);
            if (baselines) {
                q9::bench::ReportSeconds(figure + "ssconvert_s", ssconvert);
                q9::bench::ReportSeconds(figure + "soffice_s", soffice);
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
        folder.Keep();
        std::printf("workbooks kept in %s\n", work.c_str());
    }
    return status;
}
