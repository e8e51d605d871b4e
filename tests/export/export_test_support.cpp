#include "export/export_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace q9::test {

RecordsetPtr FakeEngine::Query(const std::string& sql, Error* error) {
    queries.push_back(sql);
    if (failure.IsSet()) {
        *error = failure;
        return nullptr;
    }
    return rows;
}

Outcome FakeEngine::Execute(const std::string&) {
    return Outcome::Failure(Error{error_number::kDatabase, "not expected"});
}

Outcome FakeEngine::ExecuteAtomic(const std::vector<std::string>&) {
    return Outcome::Failure(Error{error_number::kDatabase, "not expected"});
}

RecordsetPtr MakeCandidateRows(int count) {
    std::vector<std::string> fields = {"FBillNo",      "FInterID",   "FEntryID",  "FSupplyName",
                                       "FItemNumber",  "FItemName",  "FAuxQty",   "FAuxPrice",
                                       "FAuxTaxPrice", "FAmount",    "FTaxRate",  "FTaxAmount",
                                       "FAllAmount",   "FCommitQty", "FCommitAmt"};
    std::vector<Recordset::Row> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        char bill[32];
        std::snprintf(bill, sizeof bill, "POORD%06d", i / 3 + 1);
        const double quantity = (i % 10) + 0.5;
        const int64_t price = 100 + i % 1000;
        const int64_t rate = i % 2 ? 17 : 11;
        const double amount = static_cast<double>(price) * quantity;
        const double tax = static_cast<double>(static_cast<int64_t>(amount * rate)) / 100;
        rows.push_back({
            Value(std::string(bill)),
            Value(int64_t{1000 + i / 3}),
            Value(int64_t{i % 3 + 1}),
            i % 5 == 0 ? Value::Null() : Value("上海供应商" + std::to_string(i % 7) + "号"),
            Value("1.01." + std::to_string(i % 100)),
            Value("钢材" + std::to_string(i)),
            Value(quantity),
            Value(price),
            Value(static_cast<double>(price) * (100 + rate) / 100),
            Value(amount),
            Value(rate),
            Value(tax),
            Value(amount + tax),
            Value(int64_t{0}),
            Value(0.25 * (i % 4)),
        });
    }
    return std::make_shared<Recordset>(std::move(fields), std::move(rows));
}

std::string RunCommand(const std::string& command) {
    struct PipeCloser {
        void operator()(std::FILE* pipe) const { pclose(pipe); }
    };
    std::unique_ptr<std::FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe) throw std::runtime_error("cannot run: " + command);
    std::string output;
    std::array<char, 65536> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) {
        output.append(buffer.data(), n);
    }
    const int status = pclose(pipe.release());
    if (status != 0)
        throw std::runtime_error("failed (" + std::to_string(status) + "): " + command);
    return output;
}

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::stringstream stream(line);
    std::string part;
    while (std::getline(stream, part, '\t')) parts.push_back(part);
    if (!line.empty() && line.back() == '\t') parts.emplace_back();
    return parts;
}

}  // namespace

XlrdBook ReadWithXlrd(const std::filesystem::path& workbook) {
    const std::string output = RunCommand(
        "/usr/bin/python3 '" Q9_EXPORT_TEST_DIR "/xls_dump.py' '" + workbook.string() + "'");
    XlrdBook book;
    std::stringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> parts = SplitTabs(line);
        if (parts.empty()) continue;
        if (parts[0] == "stream") {
            book.streams.push_back(parts.at(1));
        } else if (parts[0] == "book") {
            book.biffVersion = std::stoi(parts.at(1));
            book.codepage = parts.at(2);
        } else if (parts[0] == "sheet") {
            book.sheets.push_back(
                XlrdSheet{parts.at(1), std::stoi(parts.at(2)), std::stoi(parts.at(3)), {}});
        } else if (parts[0] == "cell") {
            ReadCell cell;
            cell.type = parts.at(3).at(0);
            if (cell.type == 'n') {
                cell.number = std::strtod(parts.at(4).c_str(), nullptr);
            } else {
                cell.text = parts.size() > 4 ? parts[4] : "";
            }
            book.sheets.back().cells[{std::stoi(parts.at(1)), std::stoi(parts.at(2))}] = cell;
        }
    }
    return book;
}

}  // namespace q9::test
