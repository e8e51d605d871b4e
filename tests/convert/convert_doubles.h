#pragma once

// A scripted account database and workbook rows for the conversion tests; the front end's
// doubles are in support/core_doubles.h.

#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host/db/database_engine.h"
#include "host/recordset.h"

namespace q9::testing_doubles {

// The candidacy answer that lets every line asked about through: each document with each entry
// id of the query, no rate, candidate.
inline RecordsetPtr EveryLineACandidate(const std::string& sql) {
    static const std::regex kLists(R"(IN \(([-0-9,]+)\) AND de\.FEntryID IN \(([-0-9,]+)\))");
    const auto numbers = [](const std::string& list) {
        std::vector<int64_t> all;
        std::stringstream in(list);
        for (std::string n; std::getline(in, n, ',');) all.push_back(std::stoll(n));
        return all;
    };
    std::vector<Recordset::Row> rows;
    std::smatch m;
    if (std::regex_search(sql, m, kLists)) {
        for (int64_t id : numbers(m[1])) {
            for (int64_t entry : numbers(m[2])) rows.push_back({id, entry, Value(), Value(1)});
        }
    }
    return std::make_shared<Recordset>(
        std::vector<std::string>{"FInterID", "FEntryID", "FTaxRate", "FCandidate"}, rows);
}

// An account database whose answers the test decides; remembers what it was sent.
class ScriptedEngine : public DatabaseEngine {
  public:
    RecordsetPtr Query(const std::string& sql, Error* error) override {
        if (sql.find(" AS FCandidate ") != std::string::npos) {
            candidacyQueries.push_back(sql);
            return answerCandidacy ? answerCandidacy(sql, error) : EveryLineACandidate(sql);
        }
        queries.push_back(sql);
        if (answerQuery) return answerQuery(sql, error);
        return std::make_shared<Recordset>(std::vector<std::string>{"c"},
                                           std::vector<Recordset::Row>{});
    }
    Outcome Execute(const std::string& sql) override {
        executed.push_back(sql);
        return Outcome::Success();
    }
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override {
        for (const auto& b : batches) executed.push_back(b);
        return Outcome::Success();
    }
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) override {
        runs.push_back(batches);
        if (answerRun) return answerRun(batches);
        return {};
    }

    // Check queries and any other query but the workbook's candidacy query.
    std::function<RecordsetPtr(const std::string&, Error*)> answerQuery;
    // By default every line asked about exists and is still a candidate.
    std::function<RecordsetPtr(const std::string&, Error*)> answerCandidacy;
    std::vector<std::string> candidacyQueries;
    std::function<AtomicOutcome(const std::vector<AtomicBatch>&)> answerRun;
    std::vector<std::string> queries;
    std::vector<std::string> executed;
    std::vector<std::vector<AtomicBatch>> runs;
};

// Workbook rows as the reader gives them: F1…F14, the title row first.
struct SheetRow {
    Value f1, f8, f13, f14;
};
inline RecordsetPtr Sheet(const std::vector<SheetRow>& rows, bool withTitle = true) {
    std::vector<std::string> names;
    for (int i = 1; i <= 14; ++i) names.push_back("F" + std::to_string(i));
    std::vector<Recordset::Row> data;
    if (withTitle) {
        Recordset::Row title(14);
        title[0] = "单据编号";
        title[7] = "税率";
        title[12] = "FInterID";
        title[13] = "FEntryID";
        data.push_back(title);
    }
    for (const SheetRow& r : rows) {
        Recordset::Row row(14);
        row[0] = r.f1;
        if (!r.f1.IsNull()) row[1] = "供应商";
        row[7] = r.f8;
        row[12] = r.f13;
        row[13] = r.f14;
        data.push_back(row);
    }
    return std::make_shared<Recordset>(names, data);
}

}  // namespace q9::testing_doubles
