#pragma once

// A fake database and a harness on it, and independent readers of the workbooks written.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/db/database_engine.h"
#include "support/core_doubles.h"

namespace q9::test {

// Answers every query with the same rows, or with a failure when `failure` is set.
class FakeEngine : public DatabaseEngine {
  public:
    RecordsetPtr Query(const std::string& sql, Error* error) override;
    Outcome Execute(const std::string& sql) override;
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override;

    RecordsetPtr rows;
    Error failure;
    std::vector<std::string> queries;
};

// A core context over the doubles on the fake engine, with the cutoff date of the candidates.
struct ExportHarness : testing::CoreHarness<FakeEngine> {
    ExportHarness() : CoreHarness(std::make_shared<FakeEngine>()) {
        state.cutoffDate = "2018-05-01";
    }
};

// Candidate rows as the purchase-order query returns them, with Chinese names and amounts
// that have decimals; row i (from 0) is predictable from i.
RecordsetPtr MakeCandidateRows(int count);

// A workbook as python3-xlrd reads it.
struct ReadCell {
    char type = 0;  // 'n' number, 's' text
    std::string text;
    double number = 0;
};
struct XlrdSheet {
    std::string name;
    int rows = 0;
    int columns = 0;
    std::map<std::pair<int, int>, ReadCell> cells;  // non-empty cells by (row, column)
};
struct XlrdBook {
    std::vector<std::string> streams;
    int biffVersion = 0;
    std::string codepage;
    std::vector<XlrdSheet> sheets;
};
XlrdBook ReadWithXlrd(const std::filesystem::path& workbook);

// Runs a shell command; its standard output, or throws when it fails.
std::string RunCommand(const std::string& command);

}  // namespace q9::test
