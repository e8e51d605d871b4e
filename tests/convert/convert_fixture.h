#pragma once

// A small account database on the embedded engine with rows written by the test itself, and an
// engine wrapper that makes a chosen statement fail.

#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/db/database_engine.h"

namespace q9::testing_doubles {

using Columns = std::map<std::string, std::string>;  // column -> SQL literal
using RowValues = std::map<std::string, std::optional<double>>;

// A fresh account file with the host schema, currencies and materials; removed at the end.
class FixtureAccount {
  public:
    FixtureAccount();
    ~FixtureAccount();
    FixtureAccount(const FixtureAccount&) = delete;
    FixtureAccount& operator=(const FixtureAccount&) = delete;

    const std::string& path() const { return path_; }
    void Insert(const std::string& table, const Columns& columns);
    void Run(const std::string& sql);
    // The rows of a query, numbers as doubles, nulls as nullopt.
    std::vector<RowValues> Rows(const std::string& sql);
    double Number(const std::string& sql);

    // Materials: 1 with 2 price decimals, 2 with 4. Currencies: 1 with scale 2, 2 with scale 4.
    static constexpr int kMaterial2 = 1;
    static constexpr int kMaterial4 = 2;

  private:
    std::string path_;
    sqlite3* db_ = nullptr;
};

// Passes everything to the real engine; can make one statement of a line fail inside the
// line's transaction. Engines without their own row-change guard get one emulated here, which
// is sound only because the tests run one connection at a time.
class FaultyEngine : public DatabaseEngine {
  public:
    explicit FaultyEngine(std::shared_ptr<DatabaseEngine> inner);

    RecordsetPtr Query(const std::string& sql, Error* error) override;
    Outcome Execute(const std::string& sql) override;
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override;
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) override;

    // The batch at `batchIndex` of the line whose text contains `lineMark` fails.
    void FailAt(std::string lineMark, size_t batchIndex) {
        failMark_ = std::move(lineMark);
        failIndex_ = batchIndex;
    }
    bool emulatesGuard() const { return emulateGuard_; }

  private:
    std::shared_ptr<DatabaseEngine> inner_;
    bool emulateGuard_ = false;
    std::string failMark_;
    size_t failIndex_ = 0;
};

}  // namespace q9::testing_doubles
