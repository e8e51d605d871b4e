#include "convert_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "host/db/host_schema.h"
#include "host/error.h"

namespace q9::testing_doubles {

FixtureAccount::FixtureAccount() {
    char name[] = "/tmp/q9-convert-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    path_ = name;
    std::remove(path_.c_str());
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) ADD_FAILURE() << sqlite3_errmsg(db_);
    CreateHostSchema(db_);
    Run("INSERT INTO t_Currency(FCurrencyID,FNumber,FName,FScale) VALUES(1,'RMB','人民币',2),"
        "(2,'USD','美元',4)");
    Run("INSERT INTO t_ICItemMaterial(FItemID,FTaxRate,FPriceDecimal) VALUES(1,17,2),(2,17,4)");
}

FixtureAccount::~FixtureAccount() {
    sqlite3_close(db_);
    std::remove(path_.c_str());
}

void FixtureAccount::Run(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        ADD_FAILURE() << (message ? message : "?") << " in " << sql;
        sqlite3_free(message);
    }
}

void FixtureAccount::Insert(const std::string& table, const Columns& columns) {
    std::string names, values;
    for (const auto& [name, value] : columns) {
        names += (names.empty() ? "" : ",") + name;
        values += (values.empty() ? "" : ",") + value;
    }
    Run("INSERT INTO " + table + "(" + names + ") VALUES(" + values + ")");
}

std::vector<RowValues> FixtureAccount::Rows(const std::string& sql) {
    std::vector<RowValues> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        RowValues row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            std::optional<double> value;
            if (sqlite3_column_type(statement, i) != SQLITE_NULL) {
                value = sqlite3_column_double(statement, i);
            }
            row[sqlite3_column_name(statement, i)] = value;
        }
        rows.push_back(row);
    }
    sqlite3_finalize(statement);
    return rows;
}

double FixtureAccount::Number(const std::string& sql) {
    std::vector<RowValues> rows = Rows(sql);
    if (rows.empty() || rows[0].empty() || !rows[0].begin()->second) return -1;
    return *rows[0].begin()->second;
}

FaultyEngine::FaultyEngine(std::shared_ptr<DatabaseEngine> inner) : inner_(std::move(inner)) {
    // The fallback of an engine that cannot count refuses any guarded run with an error.
    AtomicOutcome probe = inner_->ExecuteAtomicGuarded({{"SELECT 1 AS x", true}});
    emulateGuard_ = probe.error.IsSet();
}

RecordsetPtr FaultyEngine::Query(const std::string& sql, Error* error) {
    return inner_->Query(sql, error);
}

Outcome FaultyEngine::Execute(const std::string& sql) {
    return inner_->Execute(sql);
}

Outcome FaultyEngine::ExecuteAtomic(const std::vector<std::string>& batches) {
    return inner_->ExecuteAtomic(batches);
}

AtomicOutcome FaultyEngine::ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) {
    std::vector<AtomicBatch> sent = batches;
    bool marked = !failMark_.empty() && failIndex_ < sent.size() &&
                  sent[0].sql.find(failMark_) != std::string::npos;
    if (marked) sent[failIndex_].sql = "UPDATE t_NoSuchTable SET FValue=1 WHERE FKey=1";
    if (!emulateGuard_) return inner_->ExecuteAtomicGuarded(sent);

    for (const AtomicBatch& batch : batches) {
        if (!batch.mustChangeRows) continue;
        size_t from = batch.sql.find("\r\n  FROM ");
        if (from == std::string::npos) return {Error{1, "cannot emulate the guard"}};
        Error error;
        RecordsetPtr count = inner_->Query("SELECT COUNT(1) AS n" + batch.sql.substr(from), &error);
        if (!count) return {error};
        if (ToInt32(count->FieldAt(0)) == 0) {
            AtomicOutcome unchanged;
            unchanged.unchanged = true;
            return unchanged;
        }
    }
    std::vector<std::string> plain;
    for (const AtomicBatch& batch : sent) plain.push_back(batch.sql);
    return {inner_->ExecuteAtomic(plain).error};
}

}  // namespace q9::testing_doubles
