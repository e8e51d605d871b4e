#pragma once

// A fake database and a harness on it; independent readers of the workbooks written.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/db/database_engine.h"
#include "support/core_doubles.h"
#include "support/independent_readers.h"

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

}  // namespace q9::test
